#include <gtest/gtest.h>

#include <unistd.h>
#include <bit>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "export/MeshFileWriters.h"
#include "passage/tests/TestCave.h"
#include "platform/AtomicFile.h"

using namespace lumora;
using lumora::testing::TestCave;

namespace {

struct StlTri {
  T3DVector n, v[3];
};

uint32_t U32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

T3DVector Vec3(const std::string& s, size_t at) {
  return {std::bit_cast<float>(U32(s, at)), std::bit_cast<float>(U32(s, at + 4)), std::bit_cast<float>(U32(s, at + 8))};
}

std::vector<StlTri> ParseStl(const std::string& bytes) {
  EXPECT_GE(bytes.size(), 84u);
  EXPECT_NE(bytes.substr(0, 5), "solid");  // would be taken for ASCII STL
  const uint32_t n = U32(bytes, 80);
  EXPECT_EQ(bytes.size(), 84u + 50u * n);
  std::vector<StlTri> out(n);
  for (uint32_t i = 0; i < n; ++i) {
    const size_t at = 84 + 50 * i;
    out[i].n = Vec3(bytes, at);
    for (int k = 0; k < 3; ++k) out[i].v[k] = Vec3(bytes, at + 12 + 12 * k);
  }
  return out;
}

// A sealed passage with a bend and a climb, square or octagonal.
struct Walls {
  TMeshCollector mesh;
  TPassageState state;
};

std::unique_ptr<Walls> Build(int shape, bool bend) {
  TestCave cave;
  if (bend)
    cave.Line({{0, 0, 0, 2, 2, 1, 1}, {0, 10, 0, 1, 3, 2, 1}, {8, 16, 2, 2, 2, 2, 2}, {8, 18, 12, 1, 1, 1, 1}});
  else
    cave.Line({{0, 0, 0, 1, 2, 1, 2}, {0, 10, 0, 1, 2, 1, 2}});
  TPassageOptions o;
  o.PassageShape = shape;
  o.SealEnds = true;
  auto w = std::make_unique<Walls>();
  BuildPassages(cave.Model(), o, w->state, w->mesh.QuadProc(), w->mesh.TriangleProc());
  return w;
}

}  // namespace

TEST(MeshFiles, CollectorSharesVerticesAndKeepsEveryFace) {
  auto w = Build(psSquare, false);
  // One square segment, sealed: 4 + 4 ring points and two centres; 4 quads
  // as 8 triangles plus two caps of 4.
  EXPECT_EQ(w->mesh.Vertices().size(), 10u);
  EXPECT_EQ(w->mesh.Triangles().size(), 16u);
  EXPECT_NEAR(w->mesh.SignedVolume(), 90, 1e-9);  // 3 x 3 x 10

  auto bent = Build(psOctagon, true);
  const int64_t quads = bent->state.SegmentCount * 8;
  EXPECT_EQ(int64_t(bent->mesh.Triangles().size()), 2 * quads + (bent->state.FaceCount - quads));
}

TEST(MeshFiles, StlNormalsPointOutOfThePassage) {
  for (int shape : {psSquare, psDiamond, psOctagon}) {
    SCOPED_TRACE(::testing::Message() << "shape " << shape);
    auto w = Build(shape, true);
    const auto tris = ParseStl(StlBytes(w->mesh, "test"));
    ASSERT_EQ(tris.size(), w->mesh.Triangles().size());
    double six = 0;
    int against = 0;
    for (const StlTri& t : tris) {
      six += Dot(t.v[0], Cross(t.v[1], t.v[2]));
      const T3DVector c = Cross(Subtract(t.v[1], t.v[0]), Subtract(t.v[2], t.v[0]));
      if (Length(c) > 1e-6 && Dot(c, t.n) <= 0) ++against;  // normal agrees with the winding
    }
    EXPECT_EQ(against, 0);
    // Positive enclosed volume: the faces point outwards, and it matches
    // the builder's own volume up to the difference of the two measures.
    EXPECT_GT(six / 6, 0.5 * w->state.PassageVolume);
    EXPECT_LT(six / 6, 1.5 * w->state.PassageVolume);
  }
}

TEST(MeshFiles, ObjHasSharedVerticesAndExactNumbers) {
  auto w = Build(psOctagon, true);
  const std::string text = ObjText(w->mesh, "walls, feet");
  std::istringstream in(text);
  std::string line;
  std::vector<T3DVector> v;
  size_t faces = 0;
  ASSERT_TRUE(std::getline(in, line));
  EXPECT_EQ(line, "# walls, feet");
  while (std::getline(in, line)) {
    if (line.rfind("v ", 0) == 0) {
      T3DVector p;
      const char* s = line.data() + 2;
      const char* end = line.data() + line.size();
      for (double* c : {&p.x, &p.y, &p.z}) {
        auto r = std::from_chars(s, end, *c);
        ASSERT_EQ(r.ec, std::errc()) << line;
        s = r.ptr + (r.ptr < end ? 1 : 0);
      }
      v.push_back(p);
    } else if (line.rfind("f ", 0) == 0) {
      std::istringstream f(line.substr(2));
      long a, b, c;
      ASSERT_TRUE(f >> a >> b >> c) << line;
      for (long i : {a, b, c}) ASSERT_TRUE(i >= 1 && i <= long(v.size())) << line;
      const auto& t = w->mesh.Triangles()[faces];
      EXPECT_EQ(a - 1, long(t[0]));
      EXPECT_EQ(c - 1, long(t[2]));
      ++faces;
    } else {
      ADD_FAILURE() << "unexpected line " << line;
    }
  }
  EXPECT_EQ(faces, w->mesh.Triangles().size());
  ASSERT_EQ(v.size(), w->mesh.Vertices().size());
  for (size_t i = 0; i < v.size(); ++i) EXPECT_TRUE(Equal(v[i], w->mesh.Vertices()[i]));  // shortest round trip
  EXPECT_LT(v.size(), faces);                                                             // shared, not three per face
}

TEST(MeshFiles, FilesReplaceTheTargetOnlyWhenWhole) {
  const auto dir = std::filesystem::temp_directory_path() / (std::string("lumora-mesh-") += std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto w = Build(psSquare, false);
  const auto stl = dir / "walls.stl";
  const auto obj = dir / "walls.obj";
  { std::ofstream(stl) << "old"; }
  WriteStlFile(stl, w->mesh, "t");
  WriteObjFile(obj, w->mesh, "t");
  EXPECT_EQ(ReadWholeFile(stl), StlBytes(w->mesh, "t"));
  EXPECT_EQ(ReadWholeFile(obj), ObjText(w->mesh, "t"));
  EXPECT_THROW(WriteStlFile(dir / "missing" / "walls.stl", w->mesh, "t"), std::runtime_error);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++files;
  EXPECT_EQ(files, 2u);  // no temporary left behind
  std::filesystem::remove_all(dir);
}
