#pragma once
// Test shapes that replace the passage mesh, to check lighting, materials
// and the draw styles on known geometry. Colours are platform colours (red
// in the low byte).

#include <functional>

#include "scene/GLMesh.h"

namespace lumora {

enum class TTestObject { Torus, Tetrahedron, Cube, Prism };

// A torus of radii 1 and 0.5 about z: 2 · sectors · sections triangles in
// blue. `sector` hears each sector's index before its quads are added.
void AddTorus(TGLCustomMesh& mesh, int sectors, int sections, const std::function<void(int)>& sector = {});
// Four triangles with corners at (±1, ±1, ±1): red, green, blue, cyan.
void AddTetrahedron(TGLCustomMesh& mesh);
// A blue box from (−a, −1, −1) to (a, 1, 1) facing out: a = 1 is the cube,
// 1.7 the prism.
void AddBlock(TGLCustomMesh& mesh, double a);

// Empties the mesh and fills it with the shape, centred on the origin of
// the frame; frame and mesh go back to their home of nothing.
void MakeTestObject(TGLFrame& frame, TGLCustomMesh& mesh, TTestObject kind, int sectors, int sections,
                    const std::function<void(int)>& sector = {});

}  // namespace lumora
