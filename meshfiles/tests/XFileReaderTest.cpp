#include <gtest/gtest.h>

#include <cmath>

#include "meshfiles/tests/XFileTestUtil.h"

namespace lumora::testing {
namespace {

const std::string kTriangle = "3; 1;2;3;, 0;0;0;, 0;1;0;; 1; 3;0,1,2;;";

TEST(XFileReader, FrameMatrixTranslatesMirrorsAndResetsAtFrameEnd) {
  TGLBaseFrame frame;
  const std::string file = kTextHeader +
                           "Frame Root {\n FrameTransformMatrix {\n 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;;\n }\n"
                           " Mesh inside { " +
                           kTriangle +
                           " }\n}\n"
                           "Mesh after { " +
                           kTriangle + " }\n";
  ASSERT_EQ(LoadError(file, frame), "");
  ASSERT_EQ(frame.Meshes.Count(), 2);
  TGLMesh& inside = MeshAt(frame, 0);
  EXPECT_EQ(inside.Name(), "inside");
  ASSERT_EQ(inside.TriangleCount(), 1);
  // Face (0, 1, 2) is drawn as (v2, v1, v0).
  ExpectVector(inside.GetVertex(0), 10, 1, 0);
  ExpectVector(inside.GetVertex(1), 10, 0, 0);
  ExpectVector(inside.GetVertex(2), 11, 2, -3);
  ExpectVector(MeshAt(frame, 1).GetVertex(2), 1, 2, -3);
}

TEST(XFileReader, FacesOfThreeFourAndFiveCorners) {
  TGLBaseFrame frame;
  const std::string file = kTextHeader +
                           "Mesh poly {\n 5;\n 0;0;0;, 1;0;0;, 2;0;0;, 3;0;0;, 4;0;0;;\n"
                           " 4;\n 5;0,1,2,3,4;, 4;0,1,2,3;, 2;0,1;, 3;4,3,2;;\n}\n";
  ASSERT_EQ(LoadError(file, frame), "");
  TGLMesh& m = MeshAt(frame, 0);
  // Pentagon fan, quad split, the two-corner face gives nothing, triangle.
  const int expected[][3] = {{0, 2, 1}, {0, 3, 2}, {0, 4, 3}, {3, 2, 0}, {2, 1, 0}, {2, 3, 4}};
  ASSERT_EQ(m.TriangleCount(), 6);
  for (int t = 0; t < 6; ++t)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(m.GetVertex(3 * t + k).x, expected[t][k]) << t << " " << k;
  EXPECT_EQ(m.GetTriangleColors(0).c[0], 0xFFFFFFu);
  EXPECT_EQ(m.VertexNormals.Count(), 18);
}

TEST(XFileReader, NamesReuseAndAppend) {
  TGLBaseFrame frame;
  TGLObject* first = frame.Meshes.AddNew();
  TGLObject* second = frame.Meshes.AddNew();
  dynamic_cast<TGLMesh*>(first)->AddTriangle3({0, 0, 0}, {5, 0, 0}, {0, 5, 0}, 0xFF);
  dynamic_cast<TGLMesh*>(first)->AddTriangle3({0, 0, 0}, {5, 0, 0}, {0, 5, 0}, 0xFF);
  const std::string file = kTextHeader + "Mesh a { " + kTriangle + " } Mesh b { " + kTriangle +
                           " }\n# a comment\n// another\nMesh { " + kTriangle + " }";
  ASSERT_EQ(LoadError(file, frame, false), "");
  ASSERT_EQ(frame.Meshes.Count(), 3);
  EXPECT_EQ(frame.Meshes[0], first);
  EXPECT_EQ(frame.Meshes[1], second);
  EXPECT_EQ(first->Name(), "a");
  EXPECT_EQ(MeshAt(frame, 0).TriangleCount(), 1);
  EXPECT_EQ(MeshAt(frame, 0).GetTriangleColors(0).c[0], 0xFFFFFFu);
  EXPECT_EQ(frame.Meshes[2]->Name(), "Mesh2");

  ASSERT_EQ(LoadError(file, frame, true), "");
  ASSERT_EQ(frame.Meshes.Count(), 6);
  EXPECT_EQ(frame.Meshes[5]->Name(), "Mesh5");
  EXPECT_EQ(frame.Meshes[3]->Name(), "a");
}

TEST(XFileReader, MaterialsByCaseSensitiveNameInlineAndPerFace) {
  const std::string named = "Material red { 1;0;0;1;; 300; 0.25;0.5;0.75;; 0.1;0.2;0.3;; }\n";
  auto load = [&](const std::string& list) {
    TGLBaseFrame frame;
    const std::string file =
        kTextHeader + named + "mesh m { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,3;;\n" + list + "}\n";
    EXPECT_EQ(LoadError(file, frame), "");
    TGLMesh& m = MeshAt(frame, 0);
    return std::vector<uint32_t>{m.GetTriangleColors(0).c[0], m.GetTriangleColors(1).c[2],
                                 static_cast<uint32_t>(m.Shininess), static_cast<uint32_t>(m.Specular.g * 100),
                                 static_cast<uint32_t>(m.Emission.b * 100 + 0.5)};
  };
  // Template names are matched without regard to case, material names with it.
  EXPECT_EQ(load("MESHMATERIALLIST { 1; 2; 0, 0;; {Red} }")[0], 0xFFFFFFu);
  const auto red = load("MeshMaterialList { 1; 2; 0, 0;; { red } }");
  EXPECT_EQ(red, (std::vector<uint32_t>{0x0000FF, 0x0000FF, 128, 50, 30}));
  const auto perFace = load(
      "MeshMaterialList { 2; 2; 1, 0;; {red} Material { 0;1;0;1;; 5; 1;1;1;; 0;0;0;; "
      "TextureFilename { \"rock.bmp\"; } } }");
  EXPECT_EQ(perFace[0], 0x00FF00u);
  EXPECT_EQ(perFace[1], 0x0000FFu);
  // Fewer face indexes than triangles: the first material colours all,
  // opaque as the mesh's transparency says.
  EXPECT_EQ(load("MeshMaterialList { 2; 1; 1;; {red} Material { 0;1;0;1;; 5; 1;1;1;; 0;0;0;; } }")[1], 0xFF0000FFu);
}

TEST(XFileReader, NormalsAndVertexColoursFollowTheCornerOrder) {
  TGLBaseFrame frame;
  const std::string file = kTextHeader +
                           "Mesh q { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 1; 4;0,1,2,3;;\n"
                           " MeshNormals { 4; 1;0;0;, 0;1;0;, 0;0;1;, 0;0;-1;; 1; 4;0,1,2,3;; }\n"
                           " MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0;1;; }\n"
                           " MeshVertexColors { 4; 0;1;0;0;1;;, 1;0;1;0;1;;, 2;0;0;1;1;;, 3;1;1;1;1;;; }\n"
                           " SkinWeights { \"x\"; 1; 0; 1.0;; { nested } }\n}\n";
  ASSERT_EQ(LoadError(file, frame), "");
  TGLMesh& m = MeshAt(frame, 0);
  ASSERT_EQ(m.TriangleCount(), 2);
  // Quad (0,1,2,3) gives corners (3,2,0) and (2,1,0); z of normals mirrored.
  ExpectVector(m.GetVertexNormal(0), 0, 0, 1);
  ExpectVector(m.GetVertexNormal(1), 0, 0, -1);
  ExpectVector(m.GetVertexNormal(2), 1, 0, 0);
  ExpectVector(m.GetVertexNormal(4), 0, 1, 0);
  EXPECT_EQ(m.GetTriangleColors(0).c[0], 0xFFFFFFu);
  EXPECT_EQ(m.GetTriangleColors(0).c[1], 0xFF0000u);
  EXPECT_EQ(m.GetTriangleColors(0).c[2], 0x0000FFu);
  EXPECT_EQ(m.GetTriangleColors(1).c[1], 0x00FF00u);
}

TEST(XFileReader, UnknownWordsAndBlocksAreSkipped) {
  TGLBaseFrame frame;
  const std::string file = kTextHeader +
                           "template Mesh { <3D82AB44-62DA-11cf-AB39-0020AF71E433> DWORD nVertices; }\n"
                           "Header { 1; 0; 1; }\n"
                           "Mesh{ 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n"
                           "AnimationSet { Animation { AnimationKey { 0; 1; 0; 3; 1;1;1;;; } } }\n"
                           "{ loose }\n"
                           "Mesh kept { " +
                           kTriangle + " }\n";
  ASSERT_EQ(LoadError(file, frame), "");
  ASSERT_EQ(frame.Meshes.Count(), 1);
  EXPECT_EQ(frame.Meshes[0]->Name(), "kept");
}

// Far deeper than any stack could follow by recursion; the mesh at the
// bottom still gets the innermost matrix, and the one after the frames none.
TEST(XFileReader, DeeplyNestedFramesAreReadWithoutRecursion) {
  constexpr int kDepth = 200000;
  std::string file = kTextHeader;
  for (int i = 0; i < kDepth; ++i) file += "Frame {\n";
  file += "FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 5,0,0,1;; } Mesh deep { " + kTriangle + " }";
  for (int i = 0; i < kDepth; ++i) file += "}\n";
  file += "Mesh after { " + kTriangle + " }";
  TGLBaseFrame frame;
  ASSERT_EQ(LoadError(file, frame), "");
  ASSERT_EQ(frame.Meshes.Count(), 2);
  ExpectVector(MeshAt(frame, 0).GetVertex(2), 6, 2, -3);
  ExpectVector(MeshAt(frame, 1).GetVertex(2), 1, 2, -3);
}

// Numbers no mesh can hold, and counts below zero, are refused with the
// line they stand in rather than read as zeros or empty lists.
TEST(XFileReader, NonFiniteValuesAndNegativeCountsNameTheirLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"Mesh m {\n 1;\n nan;0;0;;\n 0;; }", "'nan' is not a finite floating point value in line 4"},
      {"Mesh m {\n 1;\n 0;1e999;0;;\n 0;; }", "'1e999' is not a finite floating point value in line 4"},
      {"Mesh m {\n 1; 0;0;-inf;;\n 0;; }", "'-inf' is not a finite floating point value in line 3"},
      {"Mesh m {\n\n -3;\n 0;; }", "negative count -3 in line 4"},
      {"Mesh m { " + kTriangle + "\n MeshMaterialList { 1;\n -1; } }", "negative count -1 in line 4"},
      {"Mesh m { 3; 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n -3;0,1,2;; }", "negative count -3 in line 4"},
      {"Material red {\n 1;0;0;1;;\n 1e400; 0;0;0;; 0;0;0;; }",
       "'1e400' is not a finite floating point value in line 4"},
  };
  for (const auto& [body, message] : cases) {
    TGLBaseFrame frame;
    EXPECT_EQ(LoadError(kTextHeader + body, frame), message) << body;
  }
  // Nor does the writer's number text let one through.
  EXPECT_THROW(FormatReal(std::nan("")), EXFileError);
  EXPECT_THROW(FormatReal(-HUGE_VAL), EXFileError);
}

TEST(XFileReader, FailuresNameTheirCause) {
  TGLBaseFrame frame;
  EXPECT_EQ(LoadError("xof", frame), "Invalid File");
  EXPECT_EQ(LoadError("fox 0302txt 0032 Mesh {}", frame), "Invalid File");
  EXPECT_EQ(LoadError("xof 0302tzip0032", frame), "File Type Unsupported: BTip");
  EXPECT_EQ(LoadError("xof 0302bzip0032", frame), "File Type Unsupported: BZip");
  EXPECT_EQ(LoadError("xof 0302com 0032", frame), "File Type Unsupported: Compressed");
  EXPECT_EQ(LoadError("xof 0302abcd0032", frame), "File Type Unsupported: Unknown");
  EXPECT_EQ(LoadError(kTextHeader + "Mesh m { 1; 1.2.3;0;0;; 0;; }", frame),
            "'1.2.3' is not a valid floating point value");
  EXPECT_EQ(LoadError(kTextHeader + "Mesh m { x; }", frame), "'x' is not a valid integer value");
  EXPECT_EQ(LoadError(kTextHeader + "Frame f", frame), "Syntax Error");
  EXPECT_EQ(LoadError(kTextHeader + "Mesh m { 3; 0;0;0;, 1;0;0;", frame), "'' is not a valid floating point value");

  const std::string vertex = LoadError(kTextHeader + "Mesh m { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,7,2;; }", frame);
  EXPECT_NE(vertex.find("vertex index 7 out of range"), std::string::npos) << vertex;
  const std::string material =
      LoadError(kTextHeader + "Mesh m { " + kTriangle +
                    " MeshMaterialList { 1; 1; 4;; Material { 1;0;0;1;; 5; 0;0;0;; 0;0;0;; } } }",
                frame);
  EXPECT_NE(material.find("material index 4 out of range"), std::string::npos) << material;
  const std::string colour =
      LoadError(kTextHeader + "Mesh m { " + kTriangle + " MeshVertexColors { 2; 0;1;0;0;1;;, 1;1;0;0;1;;; } }", frame);
  EXPECT_NE(colour.find("vertex colour index 2 out of range"), std::string::npos) << colour;
  const std::string normal =
      LoadError(kTextHeader + "Mesh m { " + kTriangle + " MeshNormals { 1; 0;0;1;; 1; 3;0,0,3;; } }", frame);
  EXPECT_NE(normal.find("normal index 3 out of range"), std::string::npos) << normal;

  // A mesh completed before the error stays.
  TGLBaseFrame kept;
  EXPECT_NE(LoadError(kTextHeader + "Mesh good { " + kTriangle + " } Mesh bad { 1; z", kept), "");
  EXPECT_EQ(MeshAt(kept, 0).TriangleCount(), 1);
}

TEST(XFileReader, ProgressReportsScaledPositions) {
  TStreamProgress p;
  std::vector<int> seen;
  p.Callback = [&](int v) { seen.push_back(v); };
  p.Scale = 50;
  p.Offset = 50;
  for (int i = 0; i < 300; ++i) EXPECT_TRUE(p.Check(static_cast<size_t>(i), 300));
  EXPECT_FALSE(p.Check(300, 300));
  // Every 100th check: positions 99, 199 and 299 of 300; 66.5 rounds to even.
  EXPECT_EQ(seen, (std::vector<int>{66, 83, 100}));
}

}  // namespace
}  // namespace lumora::testing
