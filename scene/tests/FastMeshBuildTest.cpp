// A fast mesh built in bulk (reserved, face lists deferred) is the mesh
// built face by face, and a smooth untextured frame makes no octree and no
// texture coordinates.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
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
    for (int f = 0; f < kept.ColorCount(); ++f)
      EXPECT_EQ(deferred.TriangleVertexIndices(f), kept.TriangleVertexIndices(f));
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

// Corners handed to a fill and to AddTriangleRGB alike.
struct TCornerList {
  std::vector<TTriangle3> faces;
  void Add(const T3DVector& a, const T3DVector& b, const T3DVector& c) { faces.push_back({{a, b, c}}); }
};

// A point equal to p in single precision, not to the bit, whose reference
// bucket is (or is not) p's.
T3DVector Twin(const TVertexArray& store, const T3DVector& p, bool sameBucket) {
  T3DVector q = p;
  for (int k = 0; k < 1000000; ++k) {
    q.x = std::nextafter(q.x, 2.0);
    if (static_cast<float>(q.x) != static_cast<float>(p.x)) break;
    if ((store.TableBucket(q) == store.TableBucket(p)) == sameBucket) return q;
  }
  ADD_FAILURE() << "no twin found";
  return p;
}

TEST(FastMeshFill, SharesVerticesAndKeepsNormalsAsAddingFaceByFace) {
  TGLFastMesh added, filled;
  TCornerList corners;
  auto h = [](int i, int j) { return std::sin(i * 0.7) * std::cos(j * 0.4) * 2; };
  for (int i = 0; i < 12; ++i)
    for (int j = 0; j < 9; ++j) {
      const T3DVector a{double(i), h(i, j), double(j)}, b{double(i), h(i, j + 1), double(j + 1)},
          c{double(i + 1), h(i + 1, j + 1), double(j + 1)}, d{double(i + 1), h(i + 1, j), double(j)};
      corners.Add(a, b, d);
      corners.Add(b, c, d);
    }
  // A repeated corner, -0 beside +0, and a corner equal in single precision
  // to an earlier one but not to the bit: shared when their reference
  // buckets agree, as the store's own lookup shares them, else kept apart.
  const T3DVector p{1.0 / 3, h(0, 0) + 0.25, 0.1};
  corners.Add({0, h(0, 0), 0}, {-1, 0, -1}, {-1, 0, -1});
  corners.Add({-0.0, h(0, 0), -0.0}, {-2, 1, 0}, {-2, 0, 1});
  corners.Add(p, {-3, 1, 0}, {-3, 0, 1});
  corners.Add(Twin(added.VertexStore, p, true), {-4, 1.5, 0}, {-4, 0, 1});
  corners.Add(Twin(added.VertexStore, p, false), {-5, 1, 0}, {-5, 0.5, 1});
  corners.Add({2, 2, 2}, {3, 2, 2}, {2, 3, 2});

  for (const TTriangle3& t : corners.faces) added.AddTriangleRGB(t, 0xFF);
  {
    TGLFastMeshFill fill(filled, 1, 1, 1, 0xFF);  // grows past its sizes
    for (const TTriangle3& t : corners.faces) {
      const int32_t a = fill.Vertex(t.p[0]), b = fill.Vertex(t.p[1]), c = fill.Vertex(t.p[2]);
      fill.Face(a, b, c, t.p[0], t.p[1], t.p[2]);
    }
  }
  auto same = [](const T3DVector& a, const T3DVector& b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  auto expectSame = [&](const char* when) {
    SCOPED_TRACE(when);
    ASSERT_EQ(filled.VertexCount(), added.VertexCount());
    for (int v = 0; v < added.VertexCount(); ++v) {
      ASSERT_TRUE(same(filled.GetVertex(v), added.GetVertex(v))) << "vertex " << v;
      ASSERT_TRUE(same(filled.GetVertexNormal(v), added.GetVertexNormal(v))) << "vertex normal " << v;
    }
    ASSERT_EQ(filled.ColorCount(), added.ColorCount());
    for (int f = 0; f < added.ColorCount(); ++f) {
      EXPECT_EQ(filled.TriangleVertexIndices(f), added.TriangleVertexIndices(f)) << "face " << f;
      EXPECT_TRUE(same(filled.GetFaceNormal(f), added.GetFaceNormal(f))) << "face " << f;
    }
  };
  const int n = static_cast<int>(corners.faces.size());
  EXPECT_EQ(added.TriangleVertexIndices(n - 3)[0], added.TriangleVertexIndices(n - 4)[0]) << "twin shared";
  EXPECT_NE(added.TriangleVertexIndices(n - 2)[0], added.TriangleVertexIndices(n - 4)[0]) << "twin apart";
  added.ComputeAllNormals();
  expectSame("filled");  // the fill's own smooth normals
  filled.ComputeAllNormals();
  expectSame("normals computed again");
  // Moving a vertex keeps the normals the faces were added with.
  added.SetVertex(5, {40, 40, 40});
  filled.SetVertex(5, {40, 40, 40});
  expectSame("vertex moved");
  added.ComputeAllNormals();
  filled.ComputeAllNormals();
  expectSame("vertex moved, normals again");
}

class FastMeshFrame : public testing::GLFixture {};

// Buffer objects draw what the arrays draw, pixel for pixel, and follow
// every change of colour and geometry.
TEST_F(FastMeshFrame, BufferObjectsDrawWhatTheArraysDraw) {
  struct TRestore {
    ~TRestore() { TGLFastMesh::BufferUse = TGLFastMesh::TBufferUse::OnGraphicsCards; }
  } restore;
  TGLBaseFrame frame;
  auto* m = static_cast<TGLFastMesh*>(frame.FastMeshes.AddNew());
  AddSurface(*m);
  m->RecomputeBounds();
  m->ComputeAllNormals();
  m->SetRenderStyle(2);
  m->Position = T3DVector{-6, 0, -15};
  m->Rotate(40, 20, 0);
  for (int v = 0; v < m->VertexCount(); v += 3) m->SetVertexColor(v, 0xFF000000u | (v * 2654435761u >> 8));
  auto picture = [&](TGLFastMesh::TBufferUse use) {
    TGLFastMesh::BufferUse = use;
    m->Invalidate();
    Draw(frame, true);
    return pixels;
  };
  const auto arrays = picture(TGLFastMesh::TBufferUse::Never);
  EXPECT_GT(CountPixels(testing::NotBlack), 3000);
  EXPECT_EQ(picture(TGLFastMesh::TBufferUse::Always), arrays);

  const int drawn = CountPixels(testing::NotBlack);
  m->SetColor(0xFF00FF00);
  Draw(frame, false);
  EXPECT_EQ(CountPixels([](const testing::TRGBA& p) {
              return p == testing::TRGBA{0, 255, 0, 255};
            }),
            drawn)
      << "a new colour reaches the buffers";
  m->Clear();
  m->AddQuad({-0.5, -0.5, 0}, {0.5, -0.5, 0}, {0.5, 0.5, 0}, {-0.5, 0.5, 0}, 0xFFFF0000);
  m->Position = T3DVector{};
  m->ResetOrientation();
  Draw(frame, false);
  EXPECT_EQ(Pixel(PX(0), PY(0)), (testing::TRGBA{0, 0, 255, 255})) << "new faces reach the buffers";
  EXPECT_EQ(CountPixels(testing::NotBlack), 100 * 100);
}

// The arrays, drawn in pieces and in the current colour while every vertex
// has the same one, draw what one draw from buffer objects draws.
TEST_F(FastMeshFrame, ArraysInPiecesDrawWhatBuffersDrawAtOnce) {
  struct TRestore {
    ~TRestore() { TGLFastMesh::BufferUse = TGLFastMesh::TBufferUse::OnGraphicsCards; }
  } restore;
  const struct {
    int rows;
    bool varied;
  } cases[] = {{6, false}, {6, true}, {150, false}, {150, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.rows << " rows, " << (c.varied ? "varied" : "one colour"));
    TGLBaseFrame frame;
    auto* m = static_cast<TGLFastMesh*>(frame.FastMeshes.AddNew());
    auto at = [&](int i, int j) {
      const double x = -0.9 + 1.8 * i / c.rows, y = -0.9 + 1.8 * j / c.rows;
      return T3DVector{x, y, 0.3 * std::sin(9 * x) * std::cos(7 * y)};
    };
    for (int i = 0; i < c.rows; ++i)
      for (int j = 0; j < c.rows; ++j) m->AddQuad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1), 0xFF30A0E0);
    m->RecomputeBounds();
    m->ComputeAllNormals();
    m->SetRenderStyle(2);
    if (c.varied)
      for (int v = 0; v < m->VertexCount(); v += 3) m->SetVertexColor(v, 0xFF000000u | (v * 2654435761u >> 8));
    EXPECT_EQ(m->VertexStore.Colors.Data() != nullptr, c.varied);
    auto picture = [&](TGLFastMesh::TBufferUse use) {
      TGLFastMesh::BufferUse = use;
      m->Invalidate();
      Draw(frame, true);
      return pixels;
    };
    const auto arrays = picture(TGLFastMesh::TBufferUse::Never);
    EXPECT_GT(CountPixels(testing::NotBlack), 20000);
    const auto buffers = picture(TGLFastMesh::TBufferUse::Always);
    int differ = 0;
    for (size_t k = 0; k < arrays.size(); k += 4) differ += std::memcmp(&arrays[k], &buffers[k], 4) != 0;
    EXPECT_EQ(differ, 0) << "pixels that differ";
  }
}

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
