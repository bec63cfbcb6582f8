#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "geometry/NumberText.h"
#include "scene/GLFastMesh.h"
#include "scene/GLMesh.h"
#include "scene/OctTree.h"

namespace lumora {
namespace {

void ExpectNear(const T3DVector& a, const T3DVector& b, double tol = 1e-9) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

// Every undirected edge of a closed surface is shared by exactly two faces.
template <class Mesh>
bool IsClosed(const Mesh& m) {
  std::map<std::pair<std::string, std::string>, int> edges;
  auto key = [](const T3DVector& v) { return FixedText(v.x, 6) + "," + FixedText(v.y, 6) + "," + FixedText(v.z, 6); };
  for (int t = 0; t < m.TriangleCount(); ++t) {
    const TTriangle3 tri = m.GetTriangle(t);
    for (int k = 0; k < 3; ++k) {
      auto a = key(tri.p[k]), b = key(tri.p[(k + 1) % 3]);
      ++edges[a < b ? std::make_pair(a, b) : std::make_pair(b, a)];
    }
  }
  for (auto& [e, n] : edges)
    if (n != 2) return false;
  return !edges.empty();
}

// Two triangles sharing the edge (0,0,0)-(1,0,0); the second is folded
// about it by `fold` degrees from the plane of the first.
template <class Mesh>
void AddHinge(Mesh& m, double fold) {
  const double a = fold * std::numbers::pi / 180;
  m.AddTriangle3({0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, 0xFFFFFF);
  m.AddTriangle3({1, 0, 0}, {0, 0, 0}, {0.5, -std::cos(a), std::sin(a)}, 0xFFFFFF);
}

TEST(Mesh, QuadsBoxesAndFans) {
  TGLMesh m;
  m.AddQuad({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, 0x112233);
  ASSERT_EQ(m.TriangleCount(), 2);
  ExpectNear(m.GetTriangle(0).p[2], {0, 1, 0});
  ExpectNear(m.GetTriangle(1).p[0], {1, 0, 0});
  // A counter-clockwise quad stays counter-clockwise.
  ExpectNear(m.GetFaceNormal(0), {0, 0, 1});
  ExpectNear(m.GetFaceNormal(1), {0, 0, 1});
  EXPECT_EQ(m.VertexCount(), 6);
  EXPECT_EQ(m.VertexNormals.Count(), 6);

  TGLMesh box;
  box.AddBox({0, 0, 0}, {1, 2, 3}, 0);
  EXPECT_EQ(box.TriangleCount(), 12);
  EXPECT_TRUE(IsClosed(box));
  // Every face looks outwards: its normal points away from the centre.
  for (int t = 0; t < 12; ++t) {
    const TTriangle3 tri = box.GetTriangle(t);
    EXPECT_GT(Dot(box.GetFaceNormal(t), Subtract(TriangleCentre(tri), {0.5, 1, 1.5})), 0) << t;
  }

  TGLMesh grid;
  grid.AddBoxGrid({0, 0, 0}, {2, 2, 2}, 0, 2, 1, 2);
  EXPECT_EQ(grid.TriangleCount(), 4 * 12);
  grid.RecomputeBounds();
  ExpectNear(grid.GetMax(), {2, 2, 2});

  TGLMesh fan;
  const T3DVector hex[6] = {{1, 0, 0}, {0.5, 1, 0}, {-0.5, 1, 0}, {-1, 0, 0}, {-0.5, -1, 0}, {0.5, -1, 0}};
  fan.AddHexagon(hex, 0);
  EXPECT_EQ(fan.TriangleCount(), 6);
  ExpectNear(fan.GetTriangle(5).p[0], {0, 0, 0});
  ExpectNear(fan.GetTriangle(5).p[2], {1, 0, 0});

  TGLMesh rect;
  rect.AddRectangle({0, 0, 0}, {1, 1, 1}, 0);
  ExpectNear(rect.GetTriangle(0).p[1], {1, 0, 1});
  ExpectNear(rect.GetTriangle(0).p[2], {0, 1, 0});
}

TEST(Mesh, BoundsGrowAndRecompute) {
  TGLMesh m;
  m.AddTriangle3({5, 5, 5}, {6, 5, 5}, {5, 6, 6}, 0);
  // Vertices grow the bounds from the origin until they are recomputed.
  ExpectNear(m.GetMin(), {0, 0, 0});
  ExpectNear(m.GetMax(), {6, 6, 6});
  m.RecomputeBounds();
  ExpectNear(m.GetMin(), {5, 5, 5});
  m.ClearGeometry();
  ExpectNear(m.GetMax(), {0, 0, 0});
  EXPECT_EQ(m.VertexNormals.Count(), 0);
}

TEST(Mesh, ColoursAndTransparency) {
  TGLMesh m;
  EXPECT_EQ(m.GetColor(), 0xFFFFFFu);
  m.AddTriangle3({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0xAA0000FF);
  m.AddTriangleRGB(TTriangle3{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, 0xAA00FF00);
  EXPECT_EQ(m.GetColor(), 0xAA0000FFu);
  EXPECT_EQ(m.Colors[1].c[2], 0x0000FF00u);  // RGB add drops the alpha byte
  m.SetTransparency(50);
  for (int t = 0; t < 2; ++t)
    for (uint32_t c : m.Colors[t].c) EXPECT_EQ(c >> 24, 127u);
  m.SetColor(0xFF123456);
  EXPECT_EQ(m.GetColor(), 0x7F123456u);
  m.SetVertexColor(4, 0x01);
  EXPECT_EQ(m.GetVertexColor(4), 0x01u);
  EXPECT_EQ(m.GetTriangleColors(1).c[0], 0x7F123456u);
  // No transparency percentage gives an undefined alpha byte.
  EXPECT_EQ(AlphaFromTransparency(std::nan("")), 0u);
  EXPECT_EQ(AlphaFromTransparency(-50), 255u);

  TGLFastMesh f;
  EXPECT_EQ(f.GetColor(), 0xFFFFFFu);
  f.AddTriangle3({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0xFF0000FF);
  f.SetTransparency(50);
  EXPECT_EQ(f.GetColor() >> 24, 127u);
  EXPECT_EQ(f.Faces.Colors[0] >> 24, 127u);
  f.SetColor(0x00ABCDEF);
  EXPECT_EQ(f.GetVertexColor(2), 0x00ABCDEFu);
}

TEST(Mesh, DeletingAndDegenerateTriangles) {
  TGLMesh m;
  int changes = 0;
  m.OnChange = [&](TGLObject&) { ++changes; };
  m.AddQuad({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, 0x01);
  m.AddTriangle3({2, 0, 0}, {2, 0, 0}, {3, 1, 0}, 0x02);
  m.AddTriangle3({4, 0, 0}, {5, 0, 0}, {6, 1, 0}, 0x03);
  changes = 0;
  m.DeleteTriangle(0);
  EXPECT_EQ(m.TriangleCount(), 3);
  EXPECT_EQ(m.VertexCount(), 9);
  EXPECT_EQ(m.VertexNormals.Count(), 9);
  EXPECT_EQ(m.FaceNormals.Count(), 3);
  EXPECT_EQ(m.GetColor(), 0x01u);
  EXPECT_GT(changes, 0);

  m.RemoveDegenerate();
  EXPECT_EQ(m.TriangleCount(), 2);
  EXPECT_EQ(m.Colors[1].c[0], 0x03u);
  changes = 0;
  m.RemoveDegenerate();
  EXPECT_EQ(changes, 0);

  TGLMesh c;
  c.AddQuad({0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}, 0);
  c.AddTriangle3({2, 0, 0}, {4, 0, 0}, {2, 2, 0}, 0);
  const T3DVector centre = c.CollapseTriangle(0);  // (0,0,0), (2,0,0), (0,2,0)
  ExpectNear(centre, {2.0 / 3, 2.0 / 3, 0});
  // The other triangles now meet at the centre instead.
  EXPECT_EQ(c.TriangleCount(), 2);
  ExpectNear(c.GetTriangle(1).p[0], centre);
  EXPECT_EQ(c.FindVertex({2, 0, 0}), -1);
  // (centre, (2,2,0), centre) is degenerate now.
  c.RemoveDegenerateAt(centre);
  EXPECT_EQ(c.TriangleCount(), 1);
  ExpectNear(c.GetTriangle(0).p[1], {4, 0, 0});

  TGLFastMesh f;
  f.AddQuad({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, 0);
  f.AddTriangle3({1, 0, 0}, {2, 0, 0}, {1, 1, 0}, 0);
  f.DeleteTriangle(0);
  EXPECT_EQ(f.TriangleCount(), 2);
  TIndexSet around;
  f.TrianglesAtVertex({1, 0, 0}, around);
  EXPECT_EQ(around.size(), 4u);  // (1,0,0), (1,1,0), (0,1,0) and (2,0,0)
}

TEST(Mesh, EdgeNeighboursAndVertexQueries) {
  for (int kind = 0; kind < 2; ++kind) {
    std::unique_ptr<TGLCustomMesh> m;
    if (kind == 0)
      m = std::make_unique<TGLMesh>();
    else
      m = std::make_unique<TGLFastMesh>();
    m->AddQuad({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, 0);
    // The diagonal (1,0,0)-(0,1,0) joins triangle 0's edge 2 and 1's edge 2.
    int edge = -1;
    EXPECT_EQ(m->FindEdgeNeighbour({0, 1, 0}, {1, 0, 0}, 0, edge), 1) << kind;
    EXPECT_EQ(edge, 2);
    EXPECT_EQ(m->FindEdgeNeighbour({0, 1, 0}, {1, 0, 0}, 1, edge), 0);
    EXPECT_EQ(m->FindEdgeNeighbour({0, 0, 0}, {1, 1, 0}, -1, edge), -1);
    TIndexSet found;
    m->FindVertices({1, 0, 0}, found);
    EXPECT_EQ(found.size(), kind == 0 ? 2u : 1u);
    EXPECT_GE(m->FindVertex({1, 1, 0}), 0);
    EXPECT_EQ(m->TriangleVertexIndices(1)[0], kind == 0 ? 3 : 1);
  }
  // Coordinates within 1e-11 are the same vertex.
  TGLMesh m;
  m.AddTriangle3({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0);
  EXPECT_EQ(m.FindVertex({1 + 5e-12, 0, 0}), 1);
  EXPECT_EQ(m.FindVertex({1 + 5e-11, 0, 0}), -1);
}

TEST(Mesh, FastMeshSharesVertices) {
  TGLFastMesh f;
  f.AddBox({0, 0, 0}, {1, 1, 1}, 0xFF00FF00);
  EXPECT_EQ(f.VertexCount(), 8);
  EXPECT_EQ(f.TriangleCount(), 12);
  EXPECT_TRUE(IsClosed(f));
  EXPECT_EQ(f.GetColor(), 0xFF00FF00u);
  ExpectNear(f.GetMax(), {1, 1, 1});
  // Each corner of a box lies on 3 faces, each split into 2 triangles:
  // 4, 5 or 6 triangles use it.
  for (int v = 0; v < 8; ++v) {
    const int n = f.VertexStore.Indices.ListCount(v);
    EXPECT_GE(n, 3);
    EXPECT_LE(n, 6);
  }
  f.TranslateVertices({1, 0, 0});
  ExpectNear(f.RotationCentre, {1, 0, 0});
  EXPECT_GE(f.FindVertex({2, 1, 1}), 0);
  EXPECT_EQ(f.FindVertex({0, 0, 0}), -1);
  ExpectNear(f.GetTriangle(0).p[0], {1, 0, 1});
  f.CentreOnOrigin();
  f.RecomputeBounds();
  // Bounds only grew while moving (from x = 0 to 2), so the centre was
  // taken at x = 1.
  ExpectNear(f.GetMin(), {0, -0.5, -0.5});
  ExpectNear(f.GetMax(), {1, 0.5, 0.5});
  f.ClearGeometry();
  ExpectNear(f.GetMin(), {0, 0, 0});
  EXPECT_EQ(f.VertexCount(), 0);
}

TEST(MeshNormals, CreaseAngleDecidesSharing) {
  // 100 degrees apart: each triangle keeps its own normal.
  TGLMesh sharp;
  AddHinge(sharp, 100);
  sharp.ComputeAllNormals();
  ExpectNear(sharp.GetVertexNormal(0), sharp.GetFaceNormal(0));
  ExpectNear(sharp.GetVertexNormal(4), sharp.GetFaceNormal(1));

  // 30 degrees apart: the shared vertices get the plain average.
  TGLMesh soft;
  AddHinge(soft, 30);
  soft.ComputeAllNormals();
  const T3DVector avg = Scale(Add(soft.GetFaceNormal(0), soft.GetFaceNormal(1)), 0.5);
  ExpectNear(soft.GetVertexNormal(0), avg);
  ExpectNear(soft.GetVertexNormal(1), avg);
  EXPECT_LT(Length(avg), 0.99);  // not rescaled to unit length
  // The unshared corners keep their face's normal.
  ExpectNear(soft.GetVertexNormal(2), soft.GetFaceNormal(0));

  TGLMesh zero;
  AddHinge(zero, 30);
  zero.ComputeSmoothNormals(0);
  for (int i = 0; i < 6; ++i) ExpectNear(zero.GetVertexNormal(i), {0, 0, 0});

  // Flat normals leave the vertex normals alone.
  TGLMesh flat;
  AddHinge(flat, 30);
  flat.ComputeNormals(false);
  ExpectNear(flat.GetVertexNormal(0), {0, 0, 0});

  // Moving a vertex and recomputing there updates only what touches it.
  soft.SetVertex(2, {0.5, 1, 1});
  soft.RecomputeNormalsAt({0.5, 1, 1}, 89);
  ExpectNear(soft.GetFaceNormal(0), TriangleNormal(soft.GetTriangle(0)));
}

TEST(MeshNormals, FastMeshWeightsAndNormalises) {
  TGLFastMesh f;
  AddHinge(f, 90);
  f.ComputeNormals(true);
  const T3DVector n0 = f.GetFaceNormal(0), n1 = f.GetFaceNormal(1);
  ExpectNear(f.GetVertexNormal(f.FindVertex({0, 0, 0})), Normalize(Add(n0, n1)));
  ExpectNear(f.GetVertexNormal(f.FindVertex({0.5, 1, 0})), n0);

  // Angle weighting: a corner with a wider angle pulls harder.
  TGLFastMesh w;
  w.AngleWeighted = true;
  w.AddTriangle3({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0);    // 90 degrees at the origin, normal +z
  w.AddTriangle3({0, 0, 0}, {0, 0, 1}, {1, 0, 0.2}, 0);  // narrower corner, normal -y side
  w.ComputeAllNormals();
  const T3DVector a = w.GetFaceNormal(0), b = w.GetFaceNormal(1);
  const double angleA = std::numbers::pi / 2;
  const double angleB = Angle(T3DVector{0, 0, 1}, T3DVector{1, 0, 0.2});
  ExpectNear(w.GetVertexNormal(0), Normalize(Add(Scale(a, angleA), Scale(b, angleB))));
  w.AreaWeighted = true;
  w.ComputeAllNormals();
  const double areaA = TriangleArea(w.GetTriangle(0)), areaB = TriangleArea(w.GetTriangle(1));
  ExpectNear(w.GetVertexNormal(0), Normalize(Add(Scale(a, angleA * areaA), Scale(b, angleB * areaB))));
}

TEST(MeshNormals, ProgressIsThinnedToAboutAHundredCalls) {
  TGLMesh m;
  for (int i = 0; i < 1000; ++i) m.AddTriangle3({double(i), 0, 0}, {i + 1.0, 0, 0}, {double(i), 1, 0}, 0);
  std::map<std::string, int> calls;
  int last = -1;
  bool ordered = true;
  m.OnProgress = [&](TGLCustomMesh&, const std::string& text, int percent) {
    ++calls[text];
    if (text == "Vertex Normals") {
      ordered = ordered && percent >= last;
      last = percent;
    }
  };
  m.ComputeAllNormals();
  EXPECT_EQ(calls["Setting Face Normals"], 1);
  EXPECT_EQ(calls["Sorting Vertices"], 1);
  EXPECT_EQ(calls["Done"], 1);
  EXPECT_LE(calls["Face Normals"], 101);
  EXPECT_GE(calls["Face Normals"], 90);
  EXPECT_LE(calls["Vertex Normals"], 101);
  EXPECT_TRUE(ordered);
  EXPECT_EQ(MulDiv100(1, 3), 33);
  EXPECT_EQ(MulDiv100(1, 200), 1);  // 0.5 rounds away from zero
  EXPECT_EQ(MulDiv100(5, 0), -1);
}

TEST(MeshCombine, OtherMeshJoinsInOwnCoordinates) {
  TGLMesh a, b;
  a.AddTriangle3({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0x01);
  a.ComputeAllNormals();
  b.AddTriangle3({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0x02);
  b.ComputeAllNormals();
  // a sits at x = 10; b at x = 20, turned 90 degrees about y.
  a.Position = T3DVector{10, 0, 0};
  a.RefreshMatrices();
  b.Position = T3DVector{20, 0, 0};
  b.SetOrientationAngles(0, 90, 0);
  b.RefreshMatrices();
  EXPECT_TRUE(a.Combine(b));
  ASSERT_EQ(a.TriangleCount(), 2);
  ASSERT_EQ(a.VertexNormals.Count(), 6);
  ExpectNear(a.GetTriangle(1).p[0], {10, 0, 0});
  ExpectNear(a.GetTriangle(1).p[1], {10, 0, -1});
  ExpectNear(a.GetFaceNormal(1), {1, 0, 0});
  ExpectNear(a.GetVertexNormal(4), {1, 0, 0});
  EXPECT_EQ(a.Colors[1].c[0], 0x02u);
  a.RecomputeBounds();
  ExpectNear(a.GetMax(), {10, 1, 0});
  ExpectNear(a.GetMin(), {0, 0, -1});

  // Combining with something that is not a renderer only merges bounds.
  TGLObject plain;
  plain.SetMax({50, 0, 0});
  EXPECT_FALSE(a.Combine(plain));
  EXPECT_EQ(a.GetMax().x, 50);
  EXPECT_EQ(a.TriangleCount(), 2);
}

TEST(MeshCombine, AssignCopiesGeometry) {
  TGLFastMesh a, b;
  a.AddBox({0, 0, 0}, {1, 1, 1}, 0x10);
  a.Texture->TextureMode = 2;
  b.AddTriangle3({5, 5, 5}, {6, 5, 5}, {5, 6, 5}, 0);
  b.Assign(a);
  EXPECT_EQ(b.TriangleCount(), 12);
  EXPECT_EQ(b.VertexCount(), 8);
  EXPECT_EQ(b.Texture->TextureMode, 2);
  EXPECT_GE(b.FindVertex({1, 1, 1}), 0);
  EXPECT_EQ(b.FindVertex({5, 5, 5}), -1);
}

TEST(Octree, CellsByBinarySearchOverSlabs) {
  TOctTree t;
  t.SetBox({0, 0, 0}, {8, 16, 80});
  int x, y, z;
  ASSERT_TRUE(t.CellOf({0.5, 1, 5}, x, y, z));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(z, 0);
  // The last slab is found as the last, not as its neighbour.
  ASSERT_TRUE(t.CellOf({7.5, 15.9, 79}, x, y, z));
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, 7);
  EXPECT_EQ(z, 7);
  ASSERT_TRUE(t.CellOf({8, 16, 80}, x, y, z));
  EXPECT_EQ(x, 7);
  // Every slab interior lands in its own cell.
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(t.CellOf({i + 0.5, 2 * i + 1.0, 10 * i + 5.0}, x, y, z));
    EXPECT_EQ(x, i);
    EXPECT_EQ(y, i);
    EXPECT_EQ(z, i);
  }
  EXPECT_FALSE(t.CellOf({-0.01, 1, 1}, x, y, z));
  EXPECT_FALSE(t.CellOf({1, 1, 80.01}, x, y, z));
  ExpectNear(t.Cell(2, 3, 4).Min, {2, 6, 40});
  ExpectNear(t.Cell(2, 3, 4).Max, {3, 8, 50});

  const T3DVector inOne[3] = {{0.1, 0.1, 0.1}, {0.9, 0.2, 0.3}, {0.5, 1.9, 9}};
  EXPECT_EQ(t.Insert(0, inOne, 3), TOctTree::CellNumber(0, 0, 0));
  const T3DVector spanning[3] = {{0.1, 0.1, 0.1}, {7, 0.2, 0.3}, {0.5, 1, 1}};
  EXPECT_EQ(t.Insert(1, spanning, 3), -1);
  const T3DVector outside[2] = {{0.1, 0.1, 0.1}, {9, 0, 0}};
  EXPECT_EQ(t.Insert(2, outside, 2), -2);
  EXPECT_EQ(t.Overflow, std::vector<int32_t>{1});
}

TEST(Octree, FrustumHidesCellsBehindAndBesideTheView) {
  TOctTree t;
  t.SetBox({-40, -40, -40}, {40, 40, 40});
  // The viewer's projection for 200 x 200 pixels, camera at z = 10.
  TMatrix4 projection{};
  const double n = 1, f = 1e6, r = 0.1, top = 0.1;
  projection[0] = n / r;
  projection[5] = n / top;
  projection[10] = -(f + n) / (f - n);
  projection[11] = -1;
  projection[14] = -2 * f * n / (f - n);
  TMatrix4 modelview = IdentityMatrix();
  modelview[14] = -10;
  t.SetVisibility(FrustumPlanes(projection, modelview));
  // The cell just in front of the camera's axis is seen; one far to the
  // side, and one behind the camera, are not.
  EXPECT_TRUE(t.Cell(3, 3, 3).Visible);
  EXPECT_TRUE(t.Cell(4, 4, 3).Visible);
  EXPECT_FALSE(t.Cell(7, 3, 3).Visible);
  EXPECT_FALSE(t.Cell(0, 7, 3).Visible);
  EXPECT_FALSE(t.Cell(3, 3, 7).Visible);

  std::vector<int32_t> order;
  const T3DVector a[1] = {{1, 1, 1}}, b[1] = {{39, 1, 1}}, c[1] = {{-1, -1, -1}};
  t.Insert(10, a, 1);
  t.Insert(11, b, 1);
  t.Insert(12, c, 1);
  t.Overflow.push_back(13);
  t.Visit([&](int32_t i) { order.push_back(i); });
  EXPECT_EQ(order, (std::vector<int32_t>{12, 10, 13}));
}

}  // namespace
}  // namespace lumora
