#include "meshfiles/GLXFileReader.h"

#include "scene/GLMesh.h"

namespace lumora {

namespace {

class TFrameSink : public TXMeshSink {
 public:
  TFrameSink(TGLBaseFrame& frame, bool append) : frame_(frame), append_(append) {}

  std::string BeginMesh(const std::string& name) override {
    TGLMeshList& list = frame_.Meshes;
    TGLMesh* mesh = nullptr;
    if (!append_ && counter_ < list.Count()) mesh = dynamic_cast<TGLMesh*>(list[counter_]);
    if (!mesh) mesh = dynamic_cast<TGLMesh*>(list.AddNew());
    mesh_ = mesh;
    mesh->Clear();
    mesh->ResetAll();
    mesh->SetScaleFactor(1);
    const TGLRenderer defaults;
    mesh->Emission = defaults.Emission;
    mesh->Specular = defaults.Specular;
    mesh->Shininess = defaults.Shininess;
    mesh->SetName(name.empty() ? "Mesh" + std::to_string(list.IndexOf(mesh)) : name);
    return mesh->Name();
  }

  void EndMesh(const TXMeshData& data) override {
    TGLMesh& mesh = *mesh_;
    const size_t triangles = data.Corners.size() / 3;
    mesh.Vertices.SetCapacity(static_cast<int>(data.Corners.size()) + 1);
    for (size_t t = 0; t < triangles; ++t)
      mesh.AddTriangle(TTriangle3{{data.Corners[3 * t], data.Corners[3 * t + 1], data.Corners[3 * t + 2]}}, 0xFFFFFF);
    mesh.ResetOrientation();
    // AddTriangle has already given every triangle its face normal.
    if (data.HasMaterial) {
      const TMaterial& m = data.Material;
      mesh.Emission = TGLColor{m.Emissive[0], m.Emissive[1], m.Emissive[2], m.Emissive[3]};
      mesh.Specular = TGLColor{m.Specular[0], m.Specular[1], m.Specular[2], m.Specular[3]};
      mesh.Shininess = data.Shininess;
    }
    if (data.UniformColor) {
      mesh.SetColor(data.Color);
    } else {
      for (size_t t = 0; t < triangles; ++t)
        mesh.Colors[static_cast<int>(t)] =
            TGLColorTriple{{data.CornerColors[3 * t], data.CornerColors[3 * t + 1], data.CornerColors[3 * t + 2]}};
      mesh.Colors.Changed();
    }
    if (data.CornerNormals.empty()) {
      mesh.ComputeNormals(true);
    } else {
      mesh.ComputeNormals(false);
      mesh.VertexNormals.Clear();
      mesh.VertexNormals.SetCapacity(static_cast<int>(data.CornerNormals.size()) + 1);
      for (const T3DVector& n : data.CornerNormals) mesh.VertexNormals.Add(n);
      mesh.Invalidate();
    }
    ++counter_;
    frame_.Meshes.Changed();
  }

 private:
  TGLBaseFrame& frame_;
  bool append_;
  int counter_ = 0;
  TGLMesh* mesh_ = nullptr;
};

}  // namespace

void ReadXStream(std::string_view data, TGLBaseFrame& frame, const TXProgress& progress, bool append) {
  TFrameSink sink(frame, append);
  TStreamProgress p;
  p.Callback = progress;
  ParseX(data, sink, p);
}

void ReadXFile(const std::filesystem::path& fileName, TGLBaseFrame& frame, const TXProgress& progress, bool append) {
  TFrameSink sink(frame, append);
  TStreamProgress p;
  p.Callback = progress;
  ReadXMeshes(fileName, sink, p);
}

}  // namespace lumora
