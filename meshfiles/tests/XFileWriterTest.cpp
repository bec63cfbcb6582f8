#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "meshfiles/GLXFileWriter.h"
#include "meshfiles/tests/XFileTestUtil.h"
#include "platform/AtomicFile.h"
#include "scene/GLFastMesh.h"

namespace lumora::testing {
namespace {

std::string Lines(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) (s += l) += "\r\n";
  return s;
}

const std::string kHead = Lines({"xof 0302txt 0064", "", "Header {", " 1;", " 0;", " 0;", "}"});

TEST(XFileWriter, EmptySceneAndOneTriangleExactText) {
  TGLBaseFrame frame;
  EXPECT_EQ(WriteXStream(frame, nullptr), kHead);

  auto* mesh = dynamic_cast<TGLMesh*>(frame.Meshes.AddNew());
  mesh->SetName("");
  mesh->AddTriangle3({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0x0000FF);
  mesh->ComputeNormals(true);
  const std::string expected = kHead + Lines({"",
                                              "Mesh {",
                                              " 3;",
                                              " 0.000000;0.000000;0.000000;,",
                                              " 1.000000;0.000000;0.000000;,",
                                              " 0.000000;1.000000;0.000000;;",
                                              " 1;",
                                              " 3;2,1,0;;",
                                              " ",
                                              " MeshMaterialList {",
                                              "  1;",
                                              "  1;",
                                              "  0;",
                                              "  ",
                                              "  Material {",
                                              "   1.000000;0.000000;0.000000;1.000000;;",
                                              "   10.000000;",
                                              "   0.500000;0.500000;0.500000;;",
                                              "   0.000000;0.000000;0.000000;;",
                                              "  }",
                                              " }",
                                              " ",
                                              " MeshNormals {",
                                              "  3;",
                                              "  0.000000;0.000000;-1.000000;,",
                                              "  0.000000;0.000000;-1.000000;,",
                                              "  0.000000;0.000000;-1.000000;;",
                                              "  1;",
                                              "  3;2,1,0;;",
                                              " }",
                                              " ",
                                              " MeshVertexColors {",
                                              "  3;",
                                              "  0; 1.000000;0.000000;0.000000;1.000000;;",
                                              "  1; 1.000000;0.000000;0.000000;1.000000;;",
                                              "  2; 1.000000;0.000000;0.000000;1.000000;;",
                                              " }",
                                              "}"});
  std::vector<int> reports;
  EXPECT_EQ(WriteXStream(frame, [&](int p) { reports.push_back(p); }), expected);
  // Vertices gathered, then written, then the normals; then the colours.
  const std::vector<int> block{0, 17, 33, 50};
  std::vector<int> sequence;
  for (int i = 0; i < 3; ++i) sequence.insert(sequence.end(), block.begin(), block.end());
  sequence.push_back(0);
  EXPECT_EQ(reports, sequence);
}

TEST(XFileWriter, MaterialsFromDistinctCornerZeroColours) {
  TGLBaseFrame frame;
  auto* mesh = dynamic_cast<TGLMesh*>(frame.Meshes.AddNew());
  mesh->SetName("two words");
  mesh->SetTransparency(50);
  mesh->AddTriangle3({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0x00FF8000);
  mesh->AddTriangle3({0, 0, 1}, {1, 0, 1}, {0, 1, 1}, 0xFFFF8000);
  mesh->AddTriangle3({0, 0, 2}, {1, 0, 2}, {0, 1, 2}, 0x00FF8000);
  mesh->SetTriangleColors3(2, 0x00FF8000, 0x112233, 0x445566);
  const std::string text = WriteXStream(frame, nullptr);
  EXPECT_NE(text.find("\r\nMesh two_words {\r\n"), std::string::npos);
  // Colours differing only in alpha are two materials with one face colour.
  EXPECT_NE(text.find("  2;\r\n  3;\r\n  0;\r\n  1;\r\n  0;\r\n"), std::string::npos);
  const std::string face = "   0.000000;0.501961;1.000000;0.500000;;\r\n";
  const size_t first = text.find(face);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(text.find(face, first + 1), std::string::npos);
  // Corner colours are written per corner with alpha 1.
  EXPECT_NE(text.find("  7; 0.200000;0.133333;0.066667;1.000000;;\r\n"), std::string::npos);

  TGLBaseFrame back;
  ASSERT_EQ(LoadError(text, back), "");
  // Blanks in a name are written as '_', so the name stays one word.
  EXPECT_EQ(back.Meshes[0]->Name(), "two_words");
}

TEST(XFileWriter, ChildFramesUntransformedFastMeshesLastEmptyMeshesLeftOut) {
  TGLBaseFrame frame;
  auto* top = dynamic_cast<TGLMesh*>(frame.Meshes.AddNew());
  top->SetName("top");
  top->AddTriangle3({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0xFF);
  frame.Meshes.AddNew()->SetName("empty");
  auto* walls = dynamic_cast<TGLFastMesh*>(frame.FastMeshes.AddNew());
  walls->SetName("walls");
  walls->AddQuad({0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}, 0x00FF00);
  auto* child = dynamic_cast<TGLFrame*>(frame.Frames.AddNew());
  child->Position = {100, 0, 0};
  auto* inner = dynamic_cast<TGLMesh*>(child->Meshes.AddNew());
  inner->SetName("inner");
  inner->Position = {0, 50, 0};
  inner->AddTriangle3({5, 6, 7}, {1, 0, 0}, {0, 1, 0}, 0xFF);
  const std::string text = WriteXStream(frame, nullptr);
  EXPECT_EQ(text.find("Mesh empty"), std::string::npos);
  const size_t a = text.find("Mesh top {"), b = text.find("Mesh inner {"), c = text.find("Mesh walls {");
  ASSERT_NE(c, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_NE(text.find(" 5.000000;6.000000;-7.000000;,", b), std::string::npos);

  TGLBaseFrame back;
  ASSERT_EQ(LoadError(text, back), "");
  ASSERT_EQ(back.Meshes.Count(), 3);
  TGLMesh& w = MeshAt(back, 2);
  ASSERT_EQ(w.TriangleCount(), walls->TriangleCount());
  for (int t = 0; t < w.TriangleCount(); ++t)
    for (int k = 0; k < 3; ++k) {
      const T3DVector v = walls->GetTriangle(t).p[k], r = w.GetTriangle(t).p[k];
      ExpectVector(r, v.x, v.y, v.z);
      EXPECT_EQ(w.GetTriangleColors(t).c[k], walls->GetTriangleColors(t).c[k] & 0xFFFFFF);
    }
}

// A random soup with per-corner colours, saved and loaded back.
TEST(XFileWriter, RoundTripKeepsTrianglesCornerOrderColoursAndNormals) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> coord(-1000, 1000);
  TGLBaseFrame frame;
  for (int m = 0; m < 2; ++m) {
    auto* mesh = dynamic_cast<TGLMesh*>(frame.Meshes.AddNew());
    mesh->SetName("soup" + std::to_string(m));
    for (int t = 0; t < 200; ++t) {
      mesh->AddTriangle3({coord(random), coord(random), coord(random)}, {coord(random), coord(random), coord(random)},
                         {coord(random), coord(random), coord(random)}, random() & 0xFFFFFF);
      mesh->SetTriangleColors3(t, random() & 0xFFFFFF, random() & 0xFFFFFF, random() & 0xFFFFFF);
    }
    mesh->ComputeNormals(true);
  }
  const auto path = std::filesystem::temp_directory_path() / "lumora_roundtrip_test.x";
  std::vector<int> reports;
  WriteXFile(path, frame, [&](int p) { reports.push_back(p); });
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(*std::max_element(reports.begin(), reports.end()), 100);
  EXPECT_EQ(*std::min_element(reports.begin(), reports.end()), 0);

  TGLBaseFrame back;
  back.Meshes.AddNew();
  back.Meshes.AddNew();
  back.Meshes.AddNew();
  ASSERT_NO_THROW(ReadXFile(path, back, nullptr, false));
  std::filesystem::remove(path);
  ASSERT_EQ(back.Meshes.Count(), 3);
  for (int m = 0; m < 2; ++m) {
    TGLMesh& a = MeshAt(frame, m);
    TGLMesh& b = MeshAt(back, m);
    EXPECT_EQ(b.Name(), a.Name());
    ASSERT_EQ(b.TriangleCount(), a.TriangleCount());
    for (int i = 0; i < a.VertexCount(); ++i) {
      const T3DVector v = a.GetVertex(i), n = a.GetVertexNormal(i);
      ExpectVector(b.GetVertex(i), v.x, v.y, v.z, 5e-7);
      ExpectVector(b.GetVertexNormal(i), n.x, n.y, n.z, 5e-7);
      EXPECT_EQ(b.GetVertexColor(i), a.GetVertexColor(i) & 0xFFFFFF) << i;
    }
  }
}

// A fast mesh on a grid, so that most vertices are shared, with a colour
// and a normal per vertex, written with and without shared vertices: both
// texts give the same corners, colours and normals, and the shared one is
// the smaller.
TEST(XFileWriter, SharedVerticesReadBackIntoTheSameTriangles) {
  TGLBaseFrame frame;
  auto* grid = dynamic_cast<TGLFastMesh*>(frame.FastMeshes.AddNew());
  grid->SetName("grid");
  std::mt19937 random(11);
  auto at = [](int i, int j) { return T3DVector{double(i), double(j), (i * j) % 7 * 0.125}; };
  for (int i = 0; i < 20; ++i)
    for (int j = 0; j < 20; ++j)
      grid->AddQuad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1), random() & 0xFFFFFF);
  for (int v = 0; v < grid->VertexCount(); ++v) grid->SetVertexColor(v, random() & 0xFFFFFF);
  grid->ComputeNormals(true);
  auto* soup = dynamic_cast<TGLMesh*>(frame.Meshes.AddNew());
  soup->SetName("soup");
  soup->AddTriangle3({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0xFF);

  struct TSink : TXMeshSink {
    std::string BeginMesh(const std::string& name) override { return name; }
    void EndMesh(const TXMeshData& d) override {
      std::string text = d.Name + " " + std::to_string(d.MaterialCount) + " " + std::to_string(d.Color);
      text.append(reinterpret_cast<const char*>(d.Corners.data()), d.Corners.size() * sizeof(T3DVector));
      text.append(reinterpret_cast<const char*>(d.CornerColors.data()), d.CornerColors.size() * 4);
      text.append(reinterpret_cast<const char*>(d.CornerNormals.data()), d.CornerNormals.size() * sizeof(T3DVector));
      meshes.push_back(text);
      vertices.push_back(d.FileVertexCount);
    }
    std::vector<std::string> meshes;
    std::vector<int> vertices;
  } corners, shared;
  const std::string cornerText = WriteXStream(frame, nullptr);
  const std::string sharedText = WriteXStream(frame, nullptr, true);
  ParseX(cornerText, corners, TStreamProgress{});
  ParseX(sharedText, shared, TStreamProgress{});
  ASSERT_EQ(corners.meshes.size(), 2u);
  EXPECT_EQ(shared.meshes, corners.meshes);
  EXPECT_EQ(corners.vertices, (std::vector<int>{3, 3 * grid->ColorCount()}));
  EXPECT_EQ(shared.vertices, (std::vector<int>{3, grid->VertexCount()}));
  EXPECT_LT(grid->VertexCount(), grid->ColorCount());
  EXPECT_LT(2 * sharedText.size(), cornerText.size());
  // A soup has no shared vertices to write: its text is the same.
  EXPECT_EQ(sharedText.substr(0, sharedText.find("Mesh grid")), cornerText.substr(0, cornerText.find("Mesh grid")));
}

TEST(XFileWriter, AssimpReadsWhatWeWrite) {
  if (std::system("command -v assimp > /dev/null 2>&1") != 0) GTEST_SKIP() << "assimp not installed";
  TGLBaseFrame frame;
  int triangles = 0;
  for (int m = 0; m < 3; ++m) {
    auto* mesh = dynamic_cast<TGLMesh*>(frame.Meshes.AddNew());
    mesh->SetName("part " + std::to_string(m));
    for (int t = 0; t <= m * 10; ++t, ++triangles)
      mesh->AddTriangle3({double(t), 0, double(m)}, {double(t) + 1, 0, 0}, {double(t), 1, 0}, 0x10203 * (m + 1));
    mesh->ComputeNormals(true);
  }
  const auto dir = std::filesystem::temp_directory_path();
  const auto path = dir / "lumora_assimp_test.x";
  const auto out = dir / "lumora_assimp_test.txt";
  WriteXFile(path, frame, nullptr);
  const std::string command = "assimp info " + path.string() + " > " + out.string() + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadWholeFile(out);
  const std::string report = ReadWholeFile(out);
  std::filesystem::remove(path);
  std::filesystem::remove(out);
  auto field = [&](const std::string& name) {
    const size_t at = report.find("\n" + name + ":");
    if (at == std::string::npos) return -1;
    return std::atoi(report.c_str() + at + name.size() + 2);
  };
  // One colour per mesh, so one material and no split by material.
  EXPECT_EQ(field("Meshes"), 3) << report;
  EXPECT_EQ(field("Faces"), triangles) << report;
  EXPECT_EQ(field("Vertices"), 3 * triangles) << report;
}

}  // namespace
}  // namespace lumora::testing
