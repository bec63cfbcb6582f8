// The display dialogs' laws against values worked by hand, and the test
// shapes as closed, outward-facing solids.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "app/core/DisplaySettings.h"
#include "app/core/TestObjects.h"
#include "scene/GLFastMesh.h"

namespace lumora {
namespace {

TEST(DisplayLaws, TracksAndTheValuesTheyStandFor) {
  EXPECT_DOUBLE_EQ(ShininessOfTrack(0), 0);
  EXPECT_DOUBLE_EQ(ShininessOfTrack(100), 127);
  EXPECT_NEAR(ShininessOfTrack(49), 9.7778686, 1e-6);
  EXPECT_DOUBLE_EQ(SpecularOfTrack(0), 0);
  EXPECT_DOUBLE_EQ(SpecularOfTrack(100), 255);
  EXPECT_DOUBLE_EQ(SpecularOfTrack(50), 15);
  EXPECT_NEAR(SpecularOfTrack(8), 0.5583292, 1e-6);
  // The default material loads as shininess 49 (10 → 49.42) and specular 8
  // (0.5 → 8.36); both in base 128, so specular 255 is past the end.
  EXPECT_EQ(MaterialTrack(10), 49);
  EXPECT_EQ(MaterialTrack(0.5), 8);
  EXPECT_EQ(MaterialTrack(0), 0);
  EXPECT_EQ(MaterialTrack(127), 100);
  EXPECT_EQ(MaterialTrack(255), 100);
  EXPECT_EQ(MaterialTrack(-5), 0);  // no logarithm: the start
  EXPECT_EQ(MaterialTrack(NAN), 0);

  EXPECT_EQ(AmbientOfTrack(0), -2.0f);
  EXPECT_EQ(AmbientOfTrack(50), 0.0f);
  EXPECT_EQ(AmbientOfTrack(100), 2.0f);
  EXPECT_EQ(AmbientOfTrack(53), 0.12f);
  // The default 0.1 held in single precision lies just above 52.5.
  EXPECT_EQ(AmbientTrack(0.1f), 53);
  EXPECT_EQ(AmbientTrack(0.5f), 62);   // 62.5: halves go to the even one
  EXPECT_EQ(AmbientTrack(-1.5f), 12);  // 12.5
  EXPECT_EQ(AmbientTrack(9), 100);
  EXPECT_EQ(AmbientTrack(NAN), 0);
}

// Signed volume of the triangles: positive when they face outwards.
double Volume(const TGLCustomMesh& m) {
  double v = 0;
  for (int i = 0; i < m.TriangleCount(); ++i) {
    const TTriangle3 t = m.GetTriangle(i);
    v += Dot(t.p[0], Cross(t.p[1], t.p[2])) / 6;
  }
  return v;
}

// A closed surface wound one way: every edge is used once in each
// direction. Returns the Euler characteristic V − E + F.
int ClosedSurfaceEuler(const TGLFastMesh& m) {
  std::map<std::pair<int, int>, int> directed;
  for (int i = 0; i < m.TriangleCount(); ++i) {
    const auto v = m.TriangleVertexIndices(i);
    for (int k = 0; k < 3; ++k) ++directed[{v[k], v[(k + 1) % 3]}];
  }
  for (const auto& [edge, uses] : directed) {
    EXPECT_EQ(uses, 1) << edge.first << "-" << edge.second;
    EXPECT_EQ(directed.count({edge.second, edge.first}), 1u) << edge.first << "-" << edge.second;
  }
  return m.VertexCount() - static_cast<int>(directed.size()) / 2 + m.TriangleCount();
}

TEST(TestObjects, TorusHasTwoTrianglesPerCellAndIsATorus) {
  for (auto [n, m] : {std::pair{3, 3}, {12, 12}, {7, 4}, {40, 25}}) {
    TGLFastMesh mesh;
    std::vector<int> sectors;
    AddTorus(mesh, n, m, [&](int i) { sectors.push_back(i); });
    EXPECT_EQ(mesh.TriangleCount(), 2 * n * m);
    ASSERT_EQ(static_cast<int>(sectors.size()), n);
    for (int i = 0; i < n; ++i) EXPECT_EQ(sectors[i], i);
    EXPECT_EQ(mesh.VertexCount(), n * m);
    EXPECT_EQ(ClosedSurfaceEuler(mesh), 0) << n << " x " << m;
    for (int i = 0; i < mesh.VertexCount(); ++i) {
      const T3DVector p = mesh.GetVertex(i);
      const double ring = std::hypot(p.x, p.y) - 1;
      EXPECT_NEAR(ring * ring + p.z * p.z, 0.25, 1e-12);
    }
    EXPECT_EQ(mesh.Faces.Colors[0] & 0xFFFFFF, 0xFF0000u);
  }
}

TEST(TestObjects, SolidsAreClosedAndFaceOutwards) {
  TGLFastMesh tetra, cube, prism;
  AddTetrahedron(tetra);
  AddBlock(cube, 1);
  AddBlock(prism, 1.7);
  EXPECT_EQ(tetra.TriangleCount(), 4);
  EXPECT_EQ(cube.TriangleCount(), 12);
  EXPECT_EQ(prism.TriangleCount(), 12);
  for (TGLFastMesh* m : {&tetra, &cube, &prism}) EXPECT_EQ(ClosedSurfaceEuler(*m), 2);
  // Edge 2√2 gives (2√2)³ / (6√2) = 8/3; the boxes are 2 · 2a · 2.
  EXPECT_NEAR(Volume(tetra), 8.0 / 3, 1e-12);
  EXPECT_NEAR(Volume(cube), 8, 1e-12);
  EXPECT_NEAR(Volume(prism), 13.6, 1e-12);
  EXPECT_EQ(prism.GetMax().x, 1.7);
  EXPECT_EQ(prism.GetMin().y, -1);
  const uint32_t colours[] = {0x0000FF, 0x008000, 0xFF0000, 0xFFFF00};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(tetra.Faces.Colors[i] & 0xFFFFFF, colours[i]);
  const TTriangle3 first = tetra.GetTriangle(0);
  EXPECT_TRUE(Equal(first.p[0], {-1, -1, -1}) && Equal(first.p[1], {-1, 1, 1}) && Equal(first.p[2], {1, 1, -1}));
}

TEST(TestObjects, MakingOneReplacesTheMeshAtTheFramesOrigin) {
  TGLFrame frame;
  auto* mesh = static_cast<TGLFastMesh*>(frame.FastMeshes.AddNew());
  mesh->AddBox({5, 5, 5}, {9, 9, 9}, 0x00FF00);
  mesh->Shininess = 50;
  frame.HomePosition = frame.Position = {0, 0, -300};
  mesh->Position = {3, 4, 5};
  MakeTestObject(frame, *mesh, TTestObject::Prism, 12, 12);
  EXPECT_EQ(mesh->TriangleCount(), 12);
  EXPECT_TRUE(Equal(frame.Position, {}));
  EXPECT_TRUE(Equal(frame.HomePosition, {}));
  EXPECT_TRUE(Equal(mesh->Position, {}));
  EXPECT_EQ(mesh->Shininess, 10);  // the material starts afresh too
  EXPECT_TRUE(Equal(Add(mesh->GetMax(), mesh->GetMin()), {}));
  EXPECT_EQ(mesh->VertexStore.Normals.Count(), mesh->VertexCount());

  EXPECT_EQ(mesh->GetVertexColor(0), 0xFFFF0000u);  // opaque blue

  // A see-through mesh makes its shapes as see-through.
  mesh->SetTransparency(40);
  int reports = 0;
  MakeTestObject(frame, *mesh, TTestObject::Torus, 5, 6, [&](int) { ++reports; });
  EXPECT_EQ(mesh->TriangleCount(), 60);
  EXPECT_EQ(reports, 5);
  for (int i = 0; i < mesh->VertexCount(); ++i) EXPECT_EQ(mesh->GetVertexColor(i) >> 24, 153u);
  EXPECT_EQ(mesh->Faces.Colors[59] >> 24, 153u);
}

}  // namespace
}  // namespace lumora
