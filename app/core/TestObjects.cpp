#include "app/core/TestObjects.h"

#include <cmath>
#include <numbers>

namespace lumora {

void AddTorus(TGLCustomMesh& mesh, int sectors, int sections, const std::function<void(int)>& sector) {
  // The last sector and section wrap to the first by index, not by angle,
  // so the seams share their corners exactly and the surface is closed.
  auto point = [&](int i, int j) {
    i %= sectors;
    j %= sections;
    const double theta = 2 * std::numbers::pi * i / sectors, phi = 2 * std::numbers::pi * j / sections;
    const double r = 1 + 0.5 * std::cos(phi);
    return T3DVector{r * std::cos(theta), r * std::sin(theta), 0.5 * std::sin(phi)};
  };
  for (int i = 0; i < sectors; ++i) {
    if (sector) sector(i);
    for (int j = 0; j < sections; ++j)
      mesh.AddQuad(point(i + 1, j), point(i + 1, j + 1), point(i, j + 1), point(i, j), 0xFF0000);
  }
}

void AddTetrahedron(TGLCustomMesh& mesh) {
  const T3DVector a{-1, -1, -1}, b{-1, 1, 1}, c{1, 1, -1}, d{1, -1, 1};
  mesh.AddTriangle3(a, b, c, 0x0000FF);
  mesh.AddTriangle3(a, c, d, 0x008000);
  mesh.AddTriangle3(a, d, b, 0xFF0000);
  mesh.AddTriangle3(b, d, c, 0xFFFF00);
}

void AddBlock(TGLCustomMesh& mesh, double a) {
  const T3DVector faces[6][4] = {
      {{-a, -1, -1}, {-a, 1, -1}, {a, 1, -1}, {a, -1, -1}}, {{a, -1, 1}, {a, 1, 1}, {-a, 1, 1}, {-a, -1, 1}},
      {{a, -1, -1}, {a, 1, -1}, {a, 1, 1}, {a, -1, 1}},     {{-a, 1, 1}, {-a, 1, -1}, {-a, -1, -1}, {-a, -1, 1}},
      {{-a, 1, 1}, {a, 1, 1}, {a, 1, -1}, {-a, 1, -1}},     {{-a, -1, -1}, {a, -1, -1}, {a, -1, 1}, {-a, -1, 1}}};
  for (const auto& face : faces) mesh.AddQuadArray(face, 0xFF0000);
}

void MakeTestObject(TGLFrame& frame, TGLCustomMesh& mesh, TTestObject kind, int sectors, int sections,
                    const std::function<void(int)>& sector) {
  frame.ResetHome();
  mesh.ResetHome();
  mesh.Clear();
  switch (kind) {
    case TTestObject::Torus:
      AddTorus(mesh, sectors, sections, sector);
      break;
    case TTestObject::Tetrahedron:
      AddTetrahedron(mesh);
      break;
    case TTestObject::Cube:
      AddBlock(mesh, 1);
      break;
    case TTestObject::Prism:
      AddBlock(mesh, 1.7);
      break;
  }
  // The colours come without alpha: they take the mesh's transparency, or
  // a blended mesh would not show them at all.
  mesh.SetTransparency(mesh.Transparency());
  mesh.ComputeAllNormals();
  mesh.CentreOnOrigin();
}

}  // namespace lumora
