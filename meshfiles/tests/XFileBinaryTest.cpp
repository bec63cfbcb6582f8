#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "meshfiles/tests/XFileTestUtil.h"

namespace lumora::testing {
namespace {

// Builds binary X files token by token, little-endian.
class TBinaryX {
 public:
  explicit TBinaryX(bool doubles, const char* format = "bin ") : doubles_(doubles) {
    d_ = std::string("xof 0302") + format + (doubles ? "0064" : "0032");
  }
  TBinaryX& Code(uint16_t c) {
    d_.push_back(static_cast<char>(c & 0xFF));
    d_.push_back(static_cast<char>(c >> 8));
    return *this;
  }
  TBinaryX& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) d_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return *this;
  }
  TBinaryX& Name(const std::string& s) { return Text(1, s); }
  TBinaryX& String(const std::string& s) { return Text(2, s); }
  TBinaryX& Ints(std::initializer_list<uint32_t> v) {
    Code(6).U32(static_cast<uint32_t>(v.size()));
    for (uint32_t x : v) U32(x);
    return *this;
  }
  TBinaryX& Floats(std::initializer_list<double> v) {
    Code(7).U32(static_cast<uint32_t>(v.size()));
    for (double x : v) {
      if (doubles_) {
        uint64_t bits;
        std::memcpy(&bits, &x, 8);
        for (int i = 0; i < 8; ++i) d_.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
      } else {
        const float f = static_cast<float>(x);
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        U32(bits);
      }
    }
    return *this;
  }
  TBinaryX& Open() { return Code(10); }
  TBinaryX& Close() { return Code(11); }
  TBinaryX& Raw(const std::string& bytes) {
    d_ += bytes;
    return *this;
  }
  const std::string& Data() const { return d_; }

 private:
  TBinaryX& Text(uint16_t code, const std::string& s) {
    Code(code).U32(static_cast<uint32_t>(s.size()));
    d_ += s;
    return *this;
  }
  bool doubles_;
  std::string d_;
};

const std::string kGuid("\x44\xAB\x82\x3D\xDA\x62\xCF\x11\xAB\x39\x00\x20\xAF\x71\xE4\x33", 16);

// One file with every object the converter knows, and its text twin.
std::string SampleBinary(bool doubles) {
  TBinaryX b(doubles);
  b.Code(31).Name("Mesh").Open().Code(5).Raw(kGuid).Code(41).Name("nVertices").Code(20);
  b.Code(41).Name("x").Code(14).Name("nVertices").Code(15).Code(20).Code(14).Code(42).Code(15).Code(99).Close();
  b.Name("Header").Open().Ints({1, 0, 1}).Close();
  b.Name("Material").Name("red").Open().Floats({1, 0, 0, 1, 20, 0.25, 0.5, 0.75, 0.125, 0.25, 0.375});
  b.Name("TextureFilename").Open().String("rock.bmp").Code(20).Close().Close();
  b.Name("Frame").Name("Root").Open();
  b.Name("FrameTransformMatrix").Open().Floats({1, 0, 0, 0, 0, 1, 0, 0}).Floats({0, 0, 1, 0, 10, 0, 0, 1}).Close();
  b.Name("Mesh").Name("quad").Open().Ints({4}).Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
  b.Ints({2, 3, 0, 1, 2, 3, 0, 2, 3});
  b.Name("MeshNormals").Open().Ints({2}).Floats({0, 0, 1, 0, 1, 0}).Ints({2, 3, 0, 0, 0, 3, 1, 1, 1}).Close();
  b.Name("MeshTextureCoords").Open().Ints({4}).Floats({0, 0, 1, 0, 1, 1, 0, 1}).Close();
  b.Name("MeshMaterialList").Open().Ints({2, 2, 1, 0}).Open().Name("red").Close();
  b.Name("Material").Open().Floats({0, 1, 0, 1, 5, 1, 1, 1, 0, 0, 0}).Close().Close();
  b.Name("SkinWeights").Open().Name("bone").Ints({1, 2}).Code(99).Open().Floats({1}).Close().Close();
  b.Close();
  b.Close();
  b.Name("AnimationSet").Name("walk").Open().Name("Animation").Open().Close().Close();
  return b.Data();
}

const std::string kSampleText =
    kTextHeader +
    "Material red { 1;0;0;1;; 20; 0.25;0.5;0.75;; 0.125;0.25;0.375;; TextureFilename { \"rock.bmp\"; } }\n"
    "Frame Root { FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,10,0,0,1;; }\n"
    "Mesh quad { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,3;;\n"
    " MeshNormals { 2; 0;0;1;, 0;1;0;; 2; 3;0,0,0;, 3;1,1,1;; }\n"
    " MeshMaterialList { 2; 2; 1, 0;; {red} Material { 0;1;0;1;; 5; 1;1;1;; 0;0;0;; } }\n"
    "} }\n";

void ExpectSameMeshes(TGLBaseFrame& a, TGLBaseFrame& b) {
  ASSERT_EQ(a.Meshes.Count(), b.Meshes.Count());
  for (int m = 0; m < a.Meshes.Count(); ++m) {
    TGLMesh& x = MeshAt(a, m);
    TGLMesh& y = MeshAt(b, m);
    EXPECT_EQ(x.Name(), y.Name());
    ASSERT_EQ(x.VertexCount(), y.VertexCount());
    for (int i = 0; i < x.VertexCount(); ++i) {
      const T3DVector v = y.GetVertex(i), n = y.GetVertexNormal(i);
      ExpectVector(x.GetVertex(i), v.x, v.y, v.z);
      ExpectVector(x.GetVertexNormal(i), n.x, n.y, n.z);
      EXPECT_EQ(x.GetVertexColor(i), y.GetVertexColor(i));
    }
    EXPECT_EQ(x.Shininess, y.Shininess);
    EXPECT_EQ(x.Specular.g, y.Specular.g);
    EXPECT_EQ(x.Emission.b, y.Emission.b);
  }
}

TEST(XFileBinary, SinglesAndDoublesReadAsTheirTextTwin) {
  TGLBaseFrame fromText;
  ASSERT_EQ(LoadError(kSampleText, fromText), "");
  ASSERT_EQ(fromText.Meshes.Count(), 1);
  EXPECT_EQ(MeshAt(fromText, 0).GetTriangleColors(0).c[0], 0x00FF00u);
  ExpectVector(MeshAt(fromText, 0).GetVertex(2), 10, 0, 0);
  for (bool doubles : {false, true}) {
    SCOPED_TRACE(doubles ? "0064" : "0032");
    TGLBaseFrame fromBinary;
    std::vector<int> reports;
    ASSERT_NO_THROW(ReadXStream(
        SampleBinary(doubles), fromBinary, [&](int p) { reports.push_back(p); }, false));
    ExpectSameMeshes(fromBinary, fromText);
    for (int p : reports) EXPECT_LE(p, 100);
  }
}

TEST(XFileBinary, TextFormOfEveryObject) {
  TStreamProgress none;
  const std::string text = BinaryXToText(SampleBinary(true), none);
  EXPECT_EQ(text.substr(0, 18), "xof 0302txt 0064\r\n");
  for (const char* line :
       {"template Mesh {\r\n", " <3D82AB44-62DA-11CF-AB39-0020AF71E433>\r\n", " DWORD nVertices;\r\n",
        " DWORD x [nVertices];\r\n [FLOAT]\r\n}\r\n\r\nHeader  {", "Header  {\r\n", " 1;\r\n 0;\r\n 1;\r\n}\r\n",
        " \r\n Material red {\r\n 1.000000;0.000000;0.000000;1.000000;;\r\n 20.000000;\r\n"
        " 0.250000;0.500000;0.750000;;\r\n 0.125000;0.250000;0.375000;;\r\n",
        "  TextureFilename  {\r\n  \"rock.bmp\";\r\n }\r\n}\r\n",
        "1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,0.000000,0.000000,0.000000,"
        "0.000000,1.000000,0.000000,10.000000,0.000000,0.000000,1.000000,;\r\n",
        " Mesh quad {\r\n  4;\r\n  0.000000;0.000000;0.000000;,\r\n",
        "  0.000000;1.000000;0.000000;;\r\n  2;\r\n  3;0,1,2;,\r\n  3;0,2,3;;\r\n",
        "  MeshMaterialList  {\r\n   2;\r\n   2;\r\n   1;\r\n   0;\r\n   {\r\n    red\r\n   }\r\n",
        "  MeshTextureCoords  {\r\n   4;\r\n   0.000000;0.000000;,\r\n", "  //Skipping: SkinWeights \r\n",
        "//Skipping: AnimationSet walk\r\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST(XFileBinary, VertexColoursStreamThroughIntegerLists) {
  TBinaryX b(false);
  b.Name("Mesh").Open().Ints({3}).Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}).Ints({1, 3, 0, 1, 2});
  b.Name("MeshVertexColors").Open().Code(6).U32(2).U32(3).U32(0).Floats({1, 0, 0, 1});
  b.Code(6).U32(1).U32(1).Floats({0, 1, 0, 1}).Code(6).U32(1).U32(2).Floats({0, 0, 1, 1}).Close();
  b.Close();
  TStreamProgress none;
  const std::string text = BinaryXToText(b.Data(), none);
  EXPECT_NE(text.find("  3;\r\n  0; 1.000000;0.000000;0.000000;1.000000;,\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  2; 0.000000;0.000000;1.000000;1.000000;;\r\n"), std::string::npos) << text;
  TGLBaseFrame frame;
  ASSERT_EQ(LoadError(b.Data(), frame), "");
  const TGLColorTriple c = MeshAt(frame, 0).GetTriangleColors(0);
  // Face (0, 1, 2) is drawn as (2, 1, 0).
  EXPECT_EQ(c.c[0], 0xFF0000u);
  EXPECT_EQ(c.c[1], 0x00FF00u);
  EXPECT_EQ(c.c[2], 0x0000FFu);
}

// Nesting as deep as a real file could want converts; past that the file
// is refused at the offset of the frame too many, before the stack runs out.
TEST(XFileBinary, FrameNestingIsBounded) {
  auto nested = [](int depth) {
    TBinaryX b(false);
    for (int i = 0; i < depth; ++i) b.Name("Frame").Open();
    b.Name("Mesh").Open().Ints({3}).Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}).Ints({1, 3, 0, 1, 2}).Close();
    for (int i = 0; i < depth; ++i) b.Close();
    return b.Data();
  };
  TGLBaseFrame frame;
  ASSERT_EQ(LoadError(nested(1000), frame), "");
  EXPECT_EQ(MeshAt(frame, 0).TriangleCount(), 1);
  // Each "Frame {" takes 13 bytes after the 16 of the header.
  const std::string deep = nested(40000);
  EXPECT_EQ(LoadError(deep, frame), "Frames nested deeper than 1000 at offset " + std::to_string(16 + 1000 * 13 + 11));
}

TEST(XFileBinary, MalformedFilesFailWithTheirMessage) {
  auto error = [](const TBinaryX& b) {
    TGLBaseFrame frame;
    return LoadError(b.Data(), frame);
  };
  TBinaryX tenReals(false);
  tenReals.Name("Material").Open().Floats({1, 0, 0, 1, 20, 0, 0, 0, 0, 0}).Close();
  EXPECT_EQ(error(tenReals), "Error: Insufficient Reals in material");
  EXPECT_EQ(error(TBinaryX(false).Ints({1})), "Syntax Error: Object name missing");
  EXPECT_EQ(error(TBinaryX(false).Name("Header").Ints({1})), "Missing Open Brace");
  EXPECT_EQ(error(TBinaryX(false).Name("Header").Open().Floats({1})), "Syntax Error: Integer List missing");
  EXPECT_EQ(error(TBinaryX(false).Name("Header").Open().Ints({1}).Open()), "Syntax Error: } missing");
  EXPECT_EQ(error(TBinaryX(false).Code(31).Ints({1})), "Syntax Error: Name Missing");
  EXPECT_EQ(error(TBinaryX(false).Code(31).Name("T").Open().Ints({1})), "Syntax Error: GUID Missing");
  EXPECT_EQ(error(TBinaryX(false).Name("Frame").Open().Ints({1})), "Syntax Error: Name or \"}\" expected");
  EXPECT_EQ(error(TBinaryX(false).Name("Mesh").Open().Ints({1, 2})), "Syntax Error: Expected Single Integer");
  EXPECT_EQ(error(TBinaryX(false).Name("Mesh").Open().Ints({2}).Floats({1, 2, 3})),
            "Syntax Error: Real List too short");
  EXPECT_EQ(error(TBinaryX(false).Name("Mesh").Open().Ints({1}).Floats({1, 2, 3}).Ints({2, 3, 0, 0, 0})),
            "Syntax Error: Face List too short");
  EXPECT_EQ(error(TBinaryX(false)
                      .Name("Material")
                      .Open()
                      .Floats({1, 0, 0, 1, 20, 0, 0, 0, 0, 0, 0})
                      .Name("TextureFilename")
                      .Open()
                      .String("a.bmp")
                      .Close()),
            "Syntax Error: Semicolon missing");
  EXPECT_EQ(error(TBinaryX(false).Name("Header").Open().Code(6).U32(1000)), "Unexpected End of File");
  EXPECT_EQ(error(TBinaryX(false)
                      .Name("Mesh")
                      .Open()
                      .Ints({3})
                      .Floats({0, 0, 0, 1, 0, 0, 0, 1, 0})
                      .Ints({1, 3, 0, 1, 5})
                      .Close())
                .find("vertex index 5 out of range"),
            0u);
  TStreamProgress none;
  try {
    BinaryXToText(kSampleText, none);
    ADD_FAILURE() << "text accepted";
  } catch (const EXFileError& e) {
    EXPECT_STREQ(e.what(), "Only Binary Files Support");
  }
}

}  // namespace
}  // namespace lumora::testing
