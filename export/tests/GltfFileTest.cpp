#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "export/ExportMain.h"
#include "export/GltfFile.h"
#include "platform/AtomicFile.h"

using namespace lumora;

namespace {

std::filesystem::path TempDir() {
  const auto dir = std::filesystem::temp_directory_path() / ("lumora-gltf-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

uint32_t U32(const std::string& s, size_t at) {
  uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}

template <class T>
std::string Bytes(const std::vector<T>& v) {
  return std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T));
}

// A triangle mesh of `n` vertices (one face) and a line of two points.
TGltfCave Cave(size_t n) {
  TGltfMesh walls, line;
  walls.Name = "A";
  line.Name = "L";
  line.Lines = true;
  line.Positions = {0, 0, 0, 1, 2, 3};
  line.Material = 1;
  for (size_t i = 0; i < n; ++i) {
    walls.Positions.insert(walls.Positions.end(), {0.1f * static_cast<float>(i % 7), 1, -2});
    walls.Normals.insert(walls.Normals.end(), {0, 1, 0});
    walls.Colors.push_back(0xFF0000FFu);
  }
  walls.Indices = {0, 1, static_cast<uint32_t>(n - 1)};
  TGltfCave cave;
  cave.Name = "t";
  cave.Materials = {{"Walls"}, {"Centreline", 0xFFFF00, 1, true}};
  cave.Groups = {{"Walls", {walls}}, {"Centreline", {line}}};
  cave.Stations = {{"A1", {1, 2, 3}, 4.5}};
  return cave;
}

// The chunks of a .glb file, checked as the format lays them out.
struct TGlb {
  std::string Json, Bin;
};
TGlb ReadGlb(const std::filesystem::path& path) {
  const std::string f = ReadWholeFile(path);
  const uint32_t json = U32(f, 12);
  EXPECT_EQ(f.substr(0, 4) + f.substr(16, 4), "glTFJSON");
  EXPECT_TRUE(U32(f, 4) == 2 && U32(f, 8) == f.size() && json % 4 == 0);
  TGlb g{f.substr(20, json), {}};
  if (f.size() > 20 + json) {
    EXPECT_EQ(f.substr(24 + json, 4), std::string("BIN\0", 4));
    g.Bin = f.substr(28 + json, U32(f, 20 + json));
    EXPECT_EQ(28 + json + g.Bin.size(), f.size());
  }
  return g;
}

}  // namespace

TEST(GltfFile, JsonStringsColoursAndFormats) {
  // JSON strings are UTF-8 whatever the bytes.
  const struct {
    std::string in, out;
  } cases[] = {
      {"plain A1", "\"plain A1\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"\x01\n", "\"\\u0001\\u000a\""},
      {"H\xC3\xB6hle \xF0\x9F\xA6\x87", "\"H\xC3\xB6hle \xF0\x9F\xA6\x87\""},  // UTF-8 as it is
      {"H\xF6hle", "\"H\xC3\xB6hle\""},                                        // Latin-1
      {"\xC0\xAF", "\"\xC3\x80\xC2\xAF\""},                                    // overlong
      {"\xED\xA0\x80", "\"\xC3\xAD\xC2\xA0\xC2\x80\""},                        // a surrogate
      {"\xE2\x82", "\"\xC3\xA2\xC2\x82\""},                                    // cut short
  };
  for (const auto& c : cases) {
    std::string out;
    AppendJsonString(out, c.in);
    EXPECT_EQ(out, c.out) << c.in;
  }
  EXPECT_EQ(GltfLinearColor(0x808080), 0xFF373737u);  // sRGB 128 is 21.6 % light
  EXPECT_EQ(GltfFormatOf("a/b.GLTF"), TGltfFormat::Json);
}

// The binary chunk is every array in order, each view on a 4-byte
// boundary, indices of small meshes as 16 bits; the JSON points into it.
TEST(GltfFile, BinaryLayoutAndIndexWidth) {
  const auto dir = TempDir();
  for (const auto& [vertices, type] : {std::pair{3, 5123}, {65534, 5123}, {65535, 5125}}) {
    const TGltfCave cave = Cave(static_cast<size_t>(vertices));
    const TGltfCounts counts = WriteGltf(dir / "t.glb", cave, TGltfFormat::Binary);
    EXPECT_EQ(counts.Meshes + counts.Triangles + counts.Segments, 3);
    const TGlb g = ReadGlb(dir / "t.glb");
    EXPECT_EQ(counts.Bytes, static_cast<int64_t>(std::filesystem::file_size(dir / "t.glb")));
    const TGltfMesh& w = cave.Groups[0].Meshes[0];
    std::string expected = Bytes(w.Positions) + Bytes(w.Normals) + Bytes(w.Colors);
    expected += type == 5125 ? Bytes(w.Indices)
                             : Bytes(std::vector<uint16_t>(w.Indices.begin(), w.Indices.end())) + std::string(2, '\0');
    const size_t lineAt = expected.size();
    expected += Bytes(cave.Groups[1].Meshes[0].Positions);
    EXPECT_EQ(g.Bin, expected) << vertices;
    EXPECT_NE(g.Json.find("\"componentType\":" + std::to_string(type)), std::string::npos);
    EXPECT_NE(g.Json.find("\"byteOffset\":" + std::to_string(lineAt)), std::string::npos);
    EXPECT_NE(g.Json.find("\"byteLength\":" + std::to_string(expected.size()) + "}]"), std::string::npos);
    // Bounds are the floats' own values, to the bit.
    const std::string max = vertices > 6 ? "\"max\":[0.6000000238418579,1,-2]" : "\"max\":[0.20000000298023224,1,-2]";
    EXPECT_NE(g.Json.find(max), std::string::npos) << g.Json.substr(0, 600);
    EXPECT_NE(g.Json.find("{\"name\":\"A1\",\"translation\":[1.000,2.000,3.000],\"extras\":{\"depth\":4.500}}"),
              std::string::npos);
    EXPECT_EQ(g.Json.find_last_not_of(' '), g.Json.rfind('}'));
  }
}

// JSON names its .bin by a relative URI, the data those of the .glb; a
// cave without meshes has no buffer.
TEST(GltfFile, JsonBesideItsBinaryAndEmptyCave) {
  const auto dir = TempDir();
  WriteGltf(dir / "my cave.glb", Cave(5), TGltfFormat::Binary);
  WriteGltf(dir / "my cave.gltf", Cave(5), TGltfFormat::Json);
  EXPECT_NE(ReadWholeFile(dir / "my cave.gltf").find("\"uri\":\"my%20cave.bin\""), std::string::npos);
  EXPECT_EQ(ReadWholeFile(dir / "my cave.bin"), ReadGlb(dir / "my cave.glb").Bin);
  TGltfCave empty;
  empty.Name = "empty";
  WriteGltf(dir / "e.glb", empty, TGltfFormat::Binary);
  EXPECT_EQ(ReadGlb(dir / "e.glb").Json.find("buffers"), std::string::npos);
}

// A position that is no number stops the export; the old file stays.
TEST(GltfFile, NonFiniteKeepsTheOldFile) {
  const auto dir = TempDir();
  WriteFileAtomically(dir / "old.glb", "old");
  TGltfCave cave = Cave(3);
  cave.Groups[0].Meshes[0].Positions[4] = NAN;
  EXPECT_THROW(WriteGltf(dir / "old.glb", cave, TGltfFormat::Binary), EExport);
  EXPECT_EQ(ReadWholeFile(dir / "old.glb"), "old");
  std::filesystem::remove_all(dir);
}
