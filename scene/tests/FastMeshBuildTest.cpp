// A fast mesh built in bulk (reserved, face lists deferred) is the mesh
// built face by face, and a smooth untextured frame makes no octree and no
// texture coordinates.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "GLFixture.h"
#include "scene/GLFastMesh.h"

namespace lumora {
namespace {

// A bumpy grid of quads with a repeated corner (a degenerate face) and a
// coordinate given with other bytes than an equal one (-0.0 and 0.0).
void AddSurface(TGLFastMesh& m) {
  auto h = [](int i, int j) { return std::sin(i * 0.7) * std::cos(j * 0.4) * 2; };
  for (int i = 0; i < 12; ++i)
    for (int j = 0; j < 9; ++j)
      m.AddQuad({double(i), h(i, j), double(j)}, {double(i), h(i, j + 1), double(j + 1)},
                {double(i + 1), h(i + 1, j + 1), double(j + 1)}, {double(i + 1), h(i + 1, j), double(j)}, 0xFF);
  m.AddTriangle3({0, h(0, 0), 0}, {-1, 0, -1}, {-1, 0, -1}, 0xFF);
  m.AddTriangle3({-0.0, h(0, 0), -0.0}, {-2, 1, 0}, {-2, 0, 1}, 0xFF);
}

TEST(FastMeshBuild, DeferredFaceListsMakeTheSameMeshBitForBit) {
  for (bool angleWeighted : {false, true}) {
    SCOPED_TRACE(angleWeighted ? "angle weighted" : "plain");
    TGLFastMesh kept, deferred;
    kept.AngleWeighted = deferred.AngleWeighted = angleWeighted;
    deferred.DeferFaceLists();
    deferred.Reserve(500, 250);
    EXPECT_GE(deferred.VertexStore.ChainCount(), 250) << "the reserve sizes the chains at once";
    AddSurface(kept);
    AddSurface(deferred);
    std::vector<std::string> stages;
    deferred.OnProgress = [&](TGLCustomMesh&, const std::string& text, int) { stages.push_back(text); };
    kept.ComputeAllNormals();
    deferred.ComputeAllNormals();

    ASSERT_EQ(deferred.VertexCount(), kept.VertexCount());
    ASSERT_EQ(deferred.ColorCount(), kept.ColorCount());
    for (int v = 0; v < kept.VertexCount(); ++v) {
      EXPECT_EQ(deferred.GetVertex(v).x, kept.GetVertex(v).x);
      const T3DVector a = kept.GetVertexNormal(v), b = deferred.GetVertexNormal(v);
      EXPECT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z) << "vertex " << v;
    }
    for (int f = 0; f < kept.ColorCount(); ++f) EXPECT_EQ(deferred.TriangleVertexIndices(f), kept.TriangleVertexIndices(f));
    EXPECT_EQ(stages.back(), "Done");

    // The lists appear when asked for, as they would have grown.
    deferred.EnsureFaceLists();
    for (int v = 0; v < kept.VertexCount(); ++v)
      EXPECT_EQ(deferred.VertexStore.Indices.Values(v), kept.VertexStore.Indices.Values(v)) << "vertex " << v;
    // Faces added afterwards are listed at once, and edits see them.
    for (TGLFastMesh* m : {&kept, &deferred}) {
      m->AddTriangle3({0, 0, 0}, {0, 5, 0}, {0, 5, 5}, 0xFF);
      m->RecomputeNormalsAt({0, 5, 0}, 89);
    }
    const int top = kept.FindVertex({0, 5, 0});
    EXPECT_EQ(deferred.VertexStore.Indices.Values(top), kept.VertexStore.Indices.Values(top));
    EXPECT_EQ(deferred.VertexNormal(top).x, kept.VertexNormal(top).x);
  }
}

TEST(FastMeshBuild, QueriesOfADeferredMeshMakeTheListsFirst) {
  TGLFastMesh kept, deferred;
  deferred.DeferFaceLists();
  kept.AddBox({0, 0, 0}, {1, 1, 1}, 0xFF);
  deferred.AddBox({0, 0, 0}, {1, 1, 1}, 0xFF);
  for (int v = 0; v < kept.VertexCount(); ++v) {
    TIndexSet a, b;
    kept.TrianglesAtVertex(kept.GetVertex(v), a);
    deferred.TrianglesAtVertex(deferred.GetVertex(v), b);
    EXPECT_EQ(a, b) << "vertex " << v;
    EXPECT_GE(b.size(), 3u);
  }
  TGLFastMesh fresh;
  fresh.DeferFaceLists();
  fresh.AddBox({0, 0, 0}, {1, 1, 1}, 0xFF);
  const T3DVector n = fresh.VertexNormal(0), k = kept.VertexNormal(0);
  EXPECT_TRUE(n.x == k.x && n.y == k.y && n.z == k.z);
  TGLFastMesh copy;
  copy.Assign(fresh);
  copy.AddTriangle3({0, 0, 0}, {0, 0, 5}, {0, 5, 0}, 0xFF);
  EXPECT_EQ(copy.VertexStore.Indices.Count(), copy.VertexCount()) << "a copy of a deferred mesh keeps lists";
  fresh.Clear();
  fresh.AddBox({0, 0, 0}, {1, 1, 1}, 0xFF);
  EXPECT_GE(fresh.VertexStore.Indices.ListCount(0), 3) << "a cleared mesh keeps its lists again";
}

class FastMeshFrame : public testing::GLFixture {};

TEST_F(FastMeshFrame, SmoothUntexturedFramesMakeNeitherOctreeNorCoordinates) {
  TGLBaseFrame frame;
  auto* m = static_cast<TGLFastMesh*>(frame.FastMeshes.AddNew());
  m->AddQuad({-0.5, -0.5, 0}, {0.5, -0.5, 0}, {0.5, 0.5, 0}, {-0.5, 0.5, 0}, 0xFF0000FF);
  m->SetRenderStyle(2);
  Draw(frame, false);
  EXPECT_EQ(Pixel(PX(0), PY(0)), (testing::TRGBA{255, 0, 0, 255}));
  EXPECT_FALSE(m->OctreeValid);
  EXPECT_FALSE(m->Texture->CoordsValid);
  // The flat style draws through the octree: it is made then.
  m->SetRenderStyle(1);
  Draw(frame, false);
  EXPECT_TRUE(m->OctreeValid);
  EXPECT_EQ(Pixel(PX(0), PY(0)), (testing::TRGBA{255, 0, 0, 255}));
}

}  // namespace
}  // namespace lumora
