#include "export/GltfFile.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "export/ExportMain.h"
#include "export/PatchedFile.h"

namespace lumora {

static_assert(std::endian::native == std::endian::little, "the binary chunk is written as memory holds it");

namespace {

constexpr int kFloat = 5126, kUnsignedByte = 5121, kUnsignedShort = 5123, kUnsignedInt = 5125;
constexpr int kVertexTarget = 34962, kIndexTarget = 34963;
constexpr int kLinesMode = 1, kTrianglesMode = 4;

void AppendNumber(std::string& out, double v) {
  char buf[32];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, Finite(v)).ptr);
}

void AppendInt(std::string& out, int64_t v) {
  char buf[24];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// [x,y,z] to the millimetre.
void AppendPoint(std::string& out, const T3DVector& p) {
  out += '[';
  AppendFixed(out, p.x, 3);
  out += ',';
  AppendFixed(out, p.y, 3);
  out += ',';
  AppendFixed(out, p.z, 3);
  out += ']';
}

// Key and value of a JSON member; a comma before every member but the first.
void Key(std::string& out, const char* key) {
  if (out.back() != '{' && out.back() != '[') out += ',';
  out += '"';
  out += key;
  out += "\":";
}

double Linear(double srgb) { return srgb <= 0.04045 ? srgb / 12.92 : std::pow((srgb + 0.055) / 1.055, 2.4); }

// A relative URI of a file name: unreserved bytes as they are, the rest
// percent-encoded.
std::string UriOf(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                            c == '.' || c == '_' || c == '~';
    if (unreserved) {
      out += static_cast<char>(c);
    } else {
      const char* hex = "0123456789ABCDEF";
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

// A stretch of the binary buffer: bytes to copy, zeros (no data), or
// 32-bit indices written as 16-bit ones.
struct TPiece {
  const void* Data;
  size_t Bytes;
  bool Narrow;
};

// Builds the JSON while it lays the arrays out in the binary buffer.
class TAssembler {
 public:
  explicit TAssembler(const TGltfCave& cave) : cave_(cave) {}

  std::string Json(const std::string& binUri) {
    nodes_ = "[";
    std::string children = "[";
    const auto child = [&](std::string& list, int index) {
      if (list.back() != '[') list += ',';
      AppendInt(list, index);
    };
    // Node 0 is the cave; its groups follow, then each group's members.
    std::vector<const TGltfGroup*> groups;
    for (const TGltfGroup& g : cave_.Groups)
      if (std::any_of(g.Meshes.begin(), g.Meshes.end(), [](const TGltfMesh& m) { return m.VertexCount() > 0; }))
        groups.push_back(&g);
    const int groupCount = static_cast<int>(groups.size()) + (cave_.Stations.empty() ? 0 : 1);
    for (int g = 0; g < groupCount; ++g) child(children, 1 + g);
    children += ']';
    Node(cave_.Name, -1, children);
    int next = 1 + groupCount;
    for (const TGltfGroup* g : groups) {
      std::string members = "[";
      for (const TGltfMesh& m : g->Meshes)
        if (m.VertexCount() > 0) child(members, next++);
      members += ']';
      Node(g->Name, -1, members);
    }
    if (!cave_.Stations.empty()) {
      std::string members = "[";
      for (size_t i = 0; i < cave_.Stations.size(); ++i) child(members, next++);
      members += ']';
      Node("Stations", -1, members);
    }
    meshes_ = "[";
    for (const TGltfGroup* g : groups)
      for (const TGltfMesh& m : g->Meshes)
        if (m.VertexCount() > 0) Node(m.Name, Mesh(m), "");
    for (const TGltfStation& s : cave_.Stations) Station(s);
    nodes_ += ']';
    meshes_ += ']';

    std::string j = "{";
    Asset(j);
    if (std::any_of(cave_.Materials.begin(), cave_.Materials.end(), [](const TGltfMaterial& m) { return m.Unlit; })) {
      Key(j, "extensionsUsed");
      j += "[\"KHR_materials_unlit\"]";
    }
    Key(j, "scene");
    j += '0';
    Key(j, "scenes");
    j += "[{";
    Key(j, "name");
    AppendJsonString(j, cave_.Name);
    Key(j, "nodes");
    j += "[0]}]";
    Key(j, "nodes");
    j += nodes_;
    if (meshes_.size() > 2) {
      Key(j, "meshes");
      j += meshes_;
      Key(j, "materials");
      Materials(j);
      Key(j, "accessors");
      j += accessors_ + ']';
      Key(j, "bufferViews");
      j += views_ + ']';
      Key(j, "buffers");
      j += "[{";
      Key(j, "byteLength");
      AppendInt(j, static_cast<int64_t>(length_));
      if (!binUri.empty()) {
        Key(j, "uri");
        AppendJsonString(j, UriOf(binUri));
      }
      j += "}]";
    }
    j += '}';
    return j;
  }

  const std::vector<TPiece>& Pieces() const { return pieces_; }
  size_t BinaryLength() const { return length_; }
  const TGltfCounts& Counts() const { return counts_; }

 private:
  void Asset(std::string& j) const {
    Key(j, "asset");
    j += '{';
    Key(j, "version");
    j += "\"2.0\"";
    Key(j, "generator");
    j += "\"Lumora\"";
    Key(j, "extras");
    j += '{';
    Key(j, "georeference");
    j += '{';
    if (!cave_.Crs.empty()) {
      Key(j, "crs");
      AppendJsonString(j, cave_.Crs);
    }
    if (!cave_.CrsDescription.empty()) {
      Key(j, "description");
      AppendJsonString(j, cave_.CrsDescription);
    }
    // The point of the cave's coordinates that the origin stands for.
    Key(j, "offset");
    AppendPoint(j, cave_.Offset);
    Key(j, "units");
    j += "\"metres\"";
    Key(j, "axes");
    j += "\"x east, y up, z south\"";
    j += "}}}";
  }

  void Materials(std::string& j) const {
    j += '[';
    for (const TGltfMaterial& m : cave_.Materials) {
      if (j.back() != '[') j += ',';
      j += '{';
      Key(j, "name");
      AppendJsonString(j, m.Name);
      Key(j, "pbrMetallicRoughness");
      j += '{';
      Key(j, "baseColorFactor");
      j += '[';
      for (int shift : {0, 8, 16}) {
        AppendNumber(j, Linear(((m.Color >> shift) & 0xFF) / 255.0));
        j += ',';
      }
      AppendNumber(j, std::clamp(m.Alpha, 0.0, 1.0));
      j += ']';
      Key(j, "metallicFactor");
      j += '0';
      Key(j, "roughnessFactor");
      j += "0.9}";
      if (m.Alpha < 1) {
        Key(j, "alphaMode");
        j += "\"BLEND\"";
      }
      // Seen from inside the passage as well as from outside.
      Key(j, "doubleSided");
      j += "true";
      if (m.Unlit) {
        Key(j, "extensions");
        j += "{\"KHR_materials_unlit\":{}}";
      }
      j += '}';
    }
    j += ']';
  }

  void Node(const std::string& name, int mesh, const std::string& children) {
    if (nodes_.back() != '[') nodes_ += ',';
    nodes_ += '{';
    Key(nodes_, "name");
    AppendJsonString(nodes_, name);
    if (mesh >= 0) {
      Key(nodes_, "mesh");
      AppendInt(nodes_, mesh);
    }
    if (children.size() > 2) {
      Key(nodes_, "children");
      nodes_ += children;
    }
    nodes_ += '}';
  }

  void Station(const TGltfStation& s) {
    nodes_ += ",{";
    Key(nodes_, "name");
    AppendJsonString(nodes_, s.Name);
    Key(nodes_, "translation");
    AppendPoint(nodes_, s.Position);
    Key(nodes_, "extras");
    nodes_ += "{\"depth\":";
    AppendFixed(nodes_, s.Depth, 3);
    nodes_ += "}}";
  }

  // A buffer view of `bytes` bytes at the next 4-byte boundary.
  int View(const void* data, size_t bytes, int target, bool narrow = false) {
    if (const size_t pad = (4 - length_ % 4) % 4; pad > 0) {
      pieces_.push_back({nullptr, pad, false});
      length_ += pad;
    }
    const size_t stored = narrow ? bytes / 2 : bytes;
    pieces_.push_back({data, bytes, narrow});
    if (views_.empty()) views_ = "[";
    if (views_.back() != '[') views_ += ',';
    views_ += '{';
    Key(views_, "buffer");
    views_ += '0';
    Key(views_, "byteOffset");
    AppendInt(views_, static_cast<int64_t>(length_));
    Key(views_, "byteLength");
    AppendInt(views_, static_cast<int64_t>(stored));
    Key(views_, "target");
    AppendInt(views_, target);
    views_ += '}';
    length_ += stored;
    return viewCount_++;
  }

  int Accessor(int view, int componentType, size_t count, const char* type, bool normalized = false,
               const float* minMax = nullptr) {
    if (accessors_.empty()) accessors_ = "[";
    if (accessors_.back() != '[') accessors_ += ',';
    accessors_ += '{';
    Key(accessors_, "bufferView");
    AppendInt(accessors_, view);
    Key(accessors_, "componentType");
    AppendInt(accessors_, componentType);
    if (normalized) {
      Key(accessors_, "normalized");
      accessors_ += "true";
    }
    Key(accessors_, "count");
    AppendInt(accessors_, static_cast<int64_t>(count));
    Key(accessors_, "type");
    accessors_ += '"';
    accessors_ += type;
    accessors_ += '"';
    if (minMax) {
      for (int part = 0; part < 2; ++part) {
        Key(accessors_, part == 0 ? "min" : "max");
        accessors_ += '[';
        for (int k = 0; k < 3; ++k) {
          if (k) accessors_ += ',';
          // The float's own value: the validator compares to the bit.
          AppendNumber(accessors_, static_cast<double>(minMax[3 * part + k]));
        }
        accessors_ += ']';
      }
    }
    accessors_ += '}';
    return accessorCount_++;
  }

  int Mesh(const TGltfMesh& m) {
    const size_t n = m.VertexCount();
    float bounds[6] = {INFINITY, INFINITY, INFINITY, -INFINITY, -INFINITY, -INFINITY};
    for (size_t i = 0; i < m.Positions.size(); ++i) {
      const float v = m.Positions[i];
      Finite(v);
      bounds[i % 3] = std::min(bounds[i % 3], v);
      bounds[3 + i % 3] = std::max(bounds[3 + i % 3], v);
    }
    std::string attributes = "{";
    Key(attributes, "POSITION");
    AppendInt(attributes, Accessor(View(m.Positions.data(), n * 12, kVertexTarget), kFloat, n, "VEC3", false, bounds));
    if (!m.Normals.empty()) {
      Key(attributes, "NORMAL");
      AppendInt(attributes, Accessor(View(m.Normals.data(), n * 12, kVertexTarget), kFloat, n, "VEC3"));
    }
    if (!m.Colors.empty()) {
      Key(attributes, "COLOR_0");
      AppendInt(attributes, Accessor(View(m.Colors.data(), n * 4, kVertexTarget), kUnsignedByte, n, "VEC4", true));
    }
    attributes += '}';
    std::string primitive = "{";
    Key(primitive, "attributes");
    primitive += attributes;
    if (!m.Indices.empty()) {
      // 0xFFFF restarts strips in some readers, so it is never an index.
      const bool narrow = n < 0xFFFF;
      Key(primitive, "indices");
      AppendInt(primitive, Accessor(View(m.Indices.data(), m.Indices.size() * 4, kIndexTarget, narrow),
                                    narrow ? kUnsignedShort : kUnsignedInt, m.Indices.size(), "SCALAR"));
    }
    Key(primitive, "material");
    AppendInt(primitive, m.Material);
    Key(primitive, "mode");
    AppendInt(primitive, m.Lines ? kLinesMode : kTrianglesMode);
    primitive += '}';

    if (meshes_.back() != '[') meshes_ += ',';
    meshes_ += '{';
    Key(meshes_, "name");
    AppendJsonString(meshes_, m.Name);
    Key(meshes_, "primitives");
    meshes_ += '[' + primitive + "]}";
    if (m.Lines) {
      counts_.Segments += static_cast<int64_t>(m.ElementCount() / 2);
    } else {
      ++counts_.Meshes;
      counts_.Triangles += static_cast<int64_t>(m.ElementCount() / 3);
    }
    return meshCount_++;
  }

  const TGltfCave& cave_;
  std::string nodes_, meshes_, accessors_, views_;
  int viewCount_ = 0, accessorCount_ = 0, meshCount_ = 0;
  std::vector<TPiece> pieces_;
  size_t length_ = 0;
  TGltfCounts counts_;
};

// Copies the binary buffer into the file a block at a time.
void WritePieces(TPatchedFile& file, const std::vector<TPiece>& pieces, size_t total,
                 const std::function<void(int)>& progress) {
  constexpr size_t kBlock = 1 << 20;
  size_t done = 0;
  for (const TPiece& p : pieces) {
    const size_t stored = p.Narrow ? p.Bytes / 2 : p.Bytes;
    for (size_t at = 0; at < stored; at += kBlock) {
      const size_t n = std::min(kBlock, stored - at);
      char* out = file.Extend(n);
      if (!p.Data) {
        std::memset(out, 0, n);
      } else if (p.Narrow) {
        const uint32_t* in = static_cast<const uint32_t*>(p.Data) + at / 2;
        for (size_t i = 0; i < n / 2; ++i) {
          const uint16_t v = static_cast<uint16_t>(in[i]);
          std::memcpy(out + 2 * i, &v, 2);
        }
      } else {
        std::memcpy(out, static_cast<const char*>(p.Data) + at, n);
      }
      done += n;
      if (progress && total > 0) progress(static_cast<int>(100 * static_cast<double>(done) / total));
    }
  }
}

void Put32(TPatchedFile& file, uint32_t v) { std::memcpy(file.Extend(4), &v, 4); }

}  // namespace

TGltfFormat GltfFormatOf(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext == ".gltf" ? TGltfFormat::Json : TGltfFormat::Binary;
}

uint32_t GltfLinearColor(uint32_t srgb) {
  uint32_t out = 0xFF000000u;
  for (int shift : {0, 8, 16}) {
    const double c = Linear(((srgb >> shift) & 0xFF) / 255.0);
    out |= static_cast<uint32_t>(std::lround(c * 255)) << shift;
  }
  return out;
}

void AppendJsonString(std::string& out, std::string_view s) {
  out += '"';
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      const char* hex = "0123456789abcdef";
      out += "\\u00";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      // A whole, shortest UTF-8 sequence of a scalar value goes through.
      const int n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
      bool valid = n > 0 && c <= 0xF4 && i + n <= s.size();
      uint32_t cp = n > 0 ? c & (0x7F >> n) : 0;
      for (int k = 1; valid && k < n; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[i + k]);
        valid = (t & 0xC0) == 0x80;
        cp = cp << 6 | (t & 0x3F);
      }
      valid = valid && !(n == 3 && cp < 0x800) && !(n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) &&
              !(cp >= 0xD800 && cp <= 0xDFFF);
      if (valid) {
        out.append(s.substr(i, static_cast<size_t>(n)));
        i += static_cast<size_t>(n - 1);
      } else {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
  }
  out += '"';
}

TGltfCounts WriteGltf(const std::filesystem::path& path, const TGltfCave& cave, TGltfFormat format,
                      const std::function<void(int percent)>& progress) {
  TAssembler assembler(cave);
  std::filesystem::path bin = path;
  bin.replace_extension(".bin");
  const bool json = format == TGltfFormat::Json;
  std::string text = assembler.Json(json ? bin.filename().string() : std::string());
  const size_t length = assembler.BinaryLength();
  TGltfCounts counts = assembler.Counts();
  if (json) {
    // One set, the data renamed first, so that the JSON never names a .bin
    // that is not there nor one of another run.
    std::unique_ptr<TPatchedFile> data;
    std::vector<TAtomicFile*> set;
    if (length > 0) {
      data = std::make_unique<TPatchedFile>(bin);
      WritePieces(*data, assembler.Pieces(), length, progress);
      data->Close();
      set.push_back(&data->File());
    }
    TPatchedFile file(path);
    file.Append(text);
    file.Close();
    set.push_back(&file.File());
    AsExportError([&] { CommitFileSet(set); });
    counts.Bytes = static_cast<int64_t>(length + text.size());
    return counts;
  }
  text.append((4 - text.size() % 4) % 4, ' ');
  const size_t binChunk = length > 0 ? 8 + (length + 3) / 4 * 4 : 0;
  const size_t total = 12 + 8 + text.size() + binChunk;
  if (total > UINT32_MAX) throw EExport("The cave is too big for one binary glTF file (4 GB); save it as .gltf");
  TPatchedFile file(path);
  file.Append("glTF");
  Put32(file, 2);
  Put32(file, static_cast<uint32_t>(total));
  Put32(file, static_cast<uint32_t>(text.size()));
  file.Append("JSON");
  file.Append(text);
  if (length > 0) {
    Put32(file, static_cast<uint32_t>(binChunk - 8));
    file.Append(std::string_view("BIN\0", 4));
    WritePieces(file, assembler.Pieces(), length, progress);
    file.Append(std::string(binChunk - 8 - length, '\0'));
  }
  file.Commit();
  counts.Bytes = static_cast<int64_t>(total);
  return counts;
}

}  // namespace lumora
