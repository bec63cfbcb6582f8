// The streamed text parser against the earlier whole-file parser, on
// random X texts of every construct the parser knows (and damaged ones),
// read through windows from one byte up: the same meshes, or the same
// message.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "meshfiles/format/XFileFormat.h"
#include "meshfiles/tests/EarlierXTextParser.h"

namespace lumora::testing {
namespace {

// What a parse gave: each mesh as text, then the message of its error.
struct TOutcome {
  std::vector<std::string> meshes;
  std::string error;
  bool operator==(const TOutcome&) const = default;
};

std::string Describe(const std::string& name, int vertices, int materials, const TMaterial& m, bool hasMaterial,
                     bool uniform, uint32_t colour, float shininess, const T3DVector* corners, size_t n,
                     const uint32_t* colours, size_t nc, const T3DVector* normals, size_t nn) {
  std::string s = name + " v" + std::to_string(vertices) + " m" + std::to_string(materials);
  if (hasMaterial) {
    s += " mat " + m.Name + " " + m.TextureFileName + " " + std::to_string(m.Power);
    for (float f : m.FaceColor) s += " " + std::to_string(f);
    for (float f : m.Specular) s += " " + std::to_string(f);
    for (float f : m.Emissive) s += " " + std::to_string(f);
  }
  s += uniform ? " uniform " + std::to_string(colour) : " corners";
  s += " shine " + std::to_string(shininess);
  char buf[80];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, " (%a %a %a)", corners[i].x, corners[i].y, corners[i].z);
    s += buf;
  }
  for (size_t i = 0; i < nc; ++i) s += " " + std::to_string(colours[i]);
  for (size_t i = 0; i < nn; ++i) {
    std::snprintf(buf, sizeof buf, " n(%a %a %a)", normals[i].x, normals[i].y, normals[i].z);
    s += buf;
  }
  return s;
}

// Both parsers' sinks: each mesh as text.
template <class Sink, class Data>
class TDescribingSink : public Sink {
 public:
  std::string BeginMesh(const std::string& name) override {
    return name.empty() ? "Mesh" + std::to_string(count_++) : name;
  }
  void EndMesh(const Data& d) override {
    meshes.push_back(Describe(d.Name, d.FileVertexCount, d.MaterialCount, d.Material, d.HasMaterial, d.UniformColor,
                              d.Color, d.Shininess, d.Corners.data(), d.Corners.size(), d.CornerColors.data(),
                              d.CornerColors.size(), d.CornerNormals.data(), d.CornerNormals.size()));
  }
  std::vector<std::string> meshes;

 private:
  int count_ = 0;
};
using TStreamedSink = TDescribingSink<TXMeshSink, TXMeshData>;
using TEarlierSink = TDescribingSink<earlier::TMeshSink, earlier::TMeshData>;

template <class Sink, class Parse>
TOutcome Outcome(Parse&& parse) {
  Sink sink;
  TOutcome o;
  try {
    parse(sink);
  } catch (const std::exception& e) {
    o.error = e.what();
  }
  o.meshes = sink.meshes;
  return o;
}

TOutcome Earlier(const std::string& text) {
  return Outcome<TEarlierSink>([&](TEarlierSink& sink) { earlier::ParseTextX(text, sink, TStreamProgress{}); });
}

TOutcome Streamed(const std::string& text, size_t window) {
  return Outcome<TStreamedSink>([&](TStreamedSink& sink) { ParseTextX(text, sink, TStreamProgress{}, window); });
}

// Random X texts: blanks, line ends and comments anywhere a field allows
// them, every object the parser reads or skips, faces of our writer's
// pattern and of any other shape, indexes out of range now and then.
class TXTextMaker {
 public:
  explicit TXTextMaker(unsigned seed) : rng_(seed) {}

  std::string Make() {
    out_ = "xof 0302txt 0032";
    Gap();
    if (Chance(0.3)) out_ += "template Mesh {\n <3D82AB44-62DA-11cf-AB39-0020AF71E433>\n DWORD nVertices;\n}\n";
    if (Chance(0.5)) Material("shared");
    const int objects = Int(1, 4);
    for (int i = 0; i < objects; ++i) {
      if (Chance(0.3)) {
        out_ += "Frame f" + std::to_string(i) + " {";
        Gap();
        if (Chance(0.7)) {
          out_ += "FrameTransformMatrix {";
          for (int k = 0; k < 16; ++k) Field(k % 5 == 0 ? 1 + k / 5 : Real(-2, 2), k == 15 ? ";;" : ",");
          out_ += "}";
        }
        Mesh();
        out_ += "}";
      } else {
        Mesh();
      }
      Gap();
      if (Chance(0.2)) out_ += "Unknown thing { 1; { nested; } 2; }\n";
    }
    Damage();
    return out_;
  }

 private:
  bool Chance(double p) { return std::uniform_real_distribution<>(0, 1)(rng_) < p; }
  int Int(int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(rng_); }
  double Real(double lo, double hi) { return std::round(std::uniform_real_distribution<>(lo, hi)(rng_) * 1e4) / 1e4; }

  // Between objects; '#' lines are comments only there.
  void Gap() {
    static const char* const gaps[] = {" ", "\n", "\r\n", "\t", "  ", "\n# a comment line\n", "\n// a comment\n"};
    out_ += gaps[Int(0, 6)];
  }
  // Before a field, where blanks are trimmed and "//" comments are cut out.
  void FieldGap() {
    static const char* const gaps[] = {" ", "\n", "\r\n", "\t", "   ", "// a comment\n"};
    if (Chance(0.3)) out_ += gaps[Int(0, 5)];
  }
  // One field and its separator; the parser takes a fixed count of
  // characters after some fields, so nothing may follow the separator.
  void Field(double v, const char* separator) {
    FieldGap();
    char buf[40];
    std::snprintf(buf, sizeof buf, Chance(0.5) ? "%.6f" : "%g", v);
    out_ += buf;
    if (Chance(0.03)) out_ += " // note\n";
    out_ += separator;
  }
  void IntField(long v, const char* separator) {
    FieldGap();
    out_ += std::to_string(v);
    out_ += separator;
  }

  void Material(const std::string& name) {
    out_ += "Material " + name + " {";
    for (int k = 0; k < 4; ++k) Field(Real(0, 1), k == 3 ? ";;" : ";");
    Field(Real(0, 200), ";");
    for (int k = 0; k < 3; ++k) Field(Real(0, 1), k == 2 ? ";;" : ";");
    for (int k = 0; k < 3; ++k) Field(Real(0, 1), k == 2 ? ";;" : ";");
    if (Chance(0.3)) out_ += "TextureFilename { \"rock.bmp\"; }";
    out_ += "}";
    Gap();
  }

  // Faces of the writer's pattern (t: 3t+2, 3t+1, 3t), or of any shape.
  void Faces(int faces, int vertices, bool plain) {
    IntField(faces, ";");
    for (int t = 0; t < faces; ++t) {
      const int k = plain ? 3 : Int(0, 6);
      IntField(k, ";");
      for (int j = 0; j < k; ++j) {
        long index = plain ? 3L * t + 2 - j : Int(0, std::max(vertices - 1, 0));
        if (Chance(0.002)) index = vertices + Int(0, 3);
        IntField(index, j + 1 < k ? "," : ";");
      }
      out_ += t + 1 < faces ? "," : ";";
    }
    if (faces == 0) out_ += ";";
  }

  void Mesh() {
    const bool plain = Chance(0.5);
    const int faces = Int(0, 12);
    const int vertices = plain ? 3 * faces + (Chance(0.2) ? Int(0, 2) : 0) : Int(0, 10);
    out_ += Chance(0.7) ? "Mesh m" + std::to_string(Int(0, 99)) + " {" : "Mesh {";
    IntField(vertices, ";");
    for (int i = 0; i < vertices; ++i) {
      Field(Real(-1000, 1000), ";");
      Field(Real(-1000, 1000), ";");
      Field(Real(-1000, 1000), ";");
      out_ += i + 1 < vertices ? "," : ";";
    }
    out_ += vertices == 0 ? ";" : "\n";  // the block takes one character after its vectors
    Faces(faces, vertices, plain);
    Gap();
    if (Chance(0.6)) {
      out_ += "MeshMaterialList {";
      const int materials = Int(0, 3);
      const int indexes = Chance(0.8) ? faces : Int(0, faces);
      IntField(materials, ";");
      IntField(indexes, ";");
      for (int i = 0; i < indexes; ++i) IntField(Int(0, std::max(materials - (Chance(0.02) ? 0 : 1), 0)), ",");
      out_ += ";";
      for (int m = 0; m < materials; ++m) {
        if (Chance(0.3))
          out_ += "{ shared }";
        else
          Material("own" + std::to_string(m));
      }
      out_ += "}";
      Gap();
    }
    if (Chance(0.6)) {
      out_ += "MeshNormals {";
      const bool same = Chance(0.8);
      const int normals = same ? vertices : Int(0, 6);
      IntField(normals, ";");
      for (int i = 0; i < normals; ++i) {
        Field(Real(-1, 1), ";");
        Field(Real(-1, 1), ";");
        Field(Real(-1, 1), ";");
        out_ += i + 1 < normals ? "," : ";";
      }
      out_ += normals == 0 ? ";" : "\n";
      Faces(same ? faces : Int(0, 3), normals, plain && same);
      out_ += "}";
      Gap();
    }
    if (Chance(0.5)) {
      out_ += "MeshVertexColors {";
      const int colours = Chance(0.9) ? vertices : Int(0, vertices);
      IntField(colours, ";");
      for (int i = 0; i < colours; ++i) {
        IntField(i, ";");
        for (int k = 0; k < 4; ++k) Field(Real(0, 1), k == 3 ? ";;" : ";");
        out_ += i + 1 < colours ? "," : ";";
      }
      out_ += "}";
      Gap();
    }
    if (Chance(0.2)) {
      out_ += "MeshTextureCoords { 2; 0.5; 0.5;, 1; 0;; }";
      Gap();
    }
    out_ += "}";
    Gap();
  }

  // Now and then a text cut short, a byte changed or a number spoiled.
  void Damage() {
    if (out_.size() < 20) return;
    const double roll = std::uniform_real_distribution<>(0, 1)(rng_);
    const size_t at = static_cast<size_t>(Int(16, static_cast<int>(out_.size()) - 1));
    if (roll < 0.1)
      out_.resize(at);
    else if (roll < 0.2)
      out_[at] = "{};,/x-9 \n"[Int(0, 9)];
    else if (roll < 0.25)
      out_.insert(at, "1e999;");
  }

  std::mt19937 rng_;
  std::string out_;
};

TEST(XFileStream, TheStreamedParserReadsWhatTheEarlierOneRead) {
  int failures = 0, meshes = 0;
  for (unsigned seed = 1; seed <= 400; ++seed) {
    const std::string text = TXTextMaker(seed).Make();
    const TOutcome want = Earlier(text);
    failures += !want.error.empty();
    meshes += static_cast<int>(want.meshes.size());
    for (size_t window : {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{64}, size_t{4} << 20}) {
      const TOutcome got = Streamed(text, window);
      ASSERT_EQ(got.error, want.error) << "seed " << seed << ", window " << window << "\n" << text;
      ASSERT_EQ(got.meshes, want.meshes) << "seed " << seed << ", window " << window << "\n" << text;
    }
  }
  // Both kinds of ending were met, and meshes of every sort.
  EXPECT_GT(failures, 40);
  EXPECT_GT(meshes, 500);
}

// A text longer than any window is read whole: a long comment, a long
// word and a field split by many line ends.
TEST(XFileStream, TokensLongerThanTheWindow) {
  const std::string text = "xof 0302txt 0032\n# " + std::string(5000, 'c') + "\nMesh " + std::string(3000, 'n') +
                           " {\n3;\n0;0;0;,\n" + std::string(4000, ' ') + "1;0;0;,\n0;1;0;;\n1;\n3;2,1,0;;\n}\n";
  const TOutcome want = Earlier(text);
  ASSERT_EQ(want.error, "");
  ASSERT_EQ(want.meshes.size(), 1u);
  for (size_t window : {size_t{16}, size_t{100}, size_t{4096}}) EXPECT_EQ(Streamed(text, window), want) << window;
}

}  // namespace
}  // namespace lumora::testing
