#include "app/core/SurfaceMesh.h"

#include "app/core/GLCave.h"

namespace lumora {

void BuildSurfaceMesh(const TSurfaceGrid& grid, const TPlotModel& model, const TPassageOptions& options,
                      const TBitmap32* image, TGLMesh& mesh) {
  mesh.Clear();
  const bool textured = image && image->Width > 0 && image->Height > 0 && grid.Pixels.size() == grid.Nodes.size();
  TGLObjectTexture& texture = *mesh.Texture;
  texture.TexCoords.Clear();
  if (grid.Width < 2 || grid.Height < 2) return;
  const uint32_t w = grid.Width;
  auto corner = [&](uint32_t i, uint32_t j) { return static_cast<size_t>(j) * w + i; };
  auto add = [&](size_t a, size_t b, size_t c) {
    mesh.AddTriangle(
        TTriangle3{{SceneCoordinates(grid.Nodes[a], model, options), SceneCoordinates(grid.Nodes[b], model, options),
                    SceneCoordinates(grid.Nodes[c], model, options)}},
        0xFFFFFFFF);
    if (textured)
      for (const size_t n : {a, b, c})
        texture.TexCoords.Add(T2DVector{grid.Pixels[n][0] / image->Width, grid.Pixels[n][1] / image->Height});
  };
  // Counter-clockwise from above unless the grid's axes are mirrored.
  const T3DVector &o = grid.Nodes[0], &e = grid.Nodes[1], &n = grid.Nodes[w];
  const bool up = (e.x - o.x) * (n.y - o.y) - (e.y - o.y) * (n.x - o.x) >= 0;
  for (uint32_t j = 0; j + 1 < grid.Height; ++j)
    for (uint32_t i = 0; i + 1 < w; ++i) {
      const size_t a = corner(i, j), b = corner(i + 1, j), c = corner(i + 1, j + 1), d = corner(i, j + 1);
      if (up) {
        add(a, b, c);
        add(a, c, d);
      } else {
        add(a, c, b);
        add(a, d, c);
      }
    }
  mesh.ComputeNormals(true);
  if (textured) {
    texture.LoadFromBitmap(*image);
    texture.TextureMode = 1;
    texture.WrapMode = 3;  // clamped to the edge: the map does not repeat
    texture.CoordsValid = true;
    texture.TextureEnabled = true;
  }
}

void SetSurfaces(const TPlotModel& model, const TPassageOptions& options, const TCaveScene& scene,
                 const TImageDecodeProc& decode) {
  TGLMeshList& meshes = scene.SurfaceFrame->Meshes;
  meshes.Clear();
  for (const TSurfaceGrid& grid : model.Meshes.Surfaces) {
    auto* mesh = static_cast<TGLMesh*>(meshes.AddNew());
    mesh->SetName("Surface");
    TBitmap32 image;
    const bool decoded = grid.Kind != TImageKind::None && decode && decode(grid.Image, image);
    BuildSurfaceMesh(grid, model, options, decoded ? &image : nullptr, *mesh);
    if (!decoded) mesh->SetColor(0x4F8F4F);
  }
}

void SetSurfaceTransparency(const TCaveScene& scene, double percent) {
  TGLMeshList& meshes = scene.SurfaceFrame->Meshes;
  for (int i = 0; i < meshes.Count(); ++i) {
    auto* mesh = static_cast<TGLMesh*>(meshes[i]);
    mesh->SetTransparency(percent);
    mesh->Blend = percent > 0;
  }
}

}  // namespace lumora
