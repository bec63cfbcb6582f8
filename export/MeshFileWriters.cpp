#include "export/MeshFileWriters.h"

#include <bit>
#include <charconv>
#include <cstring>

#include "export/ExportMain.h"
#include "platform/AtomicFile.h"
#include "platform/LittleEndian.h"

namespace lumora {

size_t TMeshCollector::KeyHash::operator()(const std::array<uint64_t, 3>& k) const {
  uint64_t h = 0x9E3779B97F4A7C15ull;
  for (uint64_t v : k) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h *= 0xBF58476D1CE4E5B9ull;
  }
  return static_cast<size_t>(h ^ (h >> 31));
}

uint32_t TMeshCollector::VertexIndex(const T3DVector& p) {
  // +0.0 for -0.0, so that equal points meet whatever their sign of zero.
  auto bits = [](double v) { return std::bit_cast<uint64_t>(v == 0 ? 0.0 : v); };
  const std::array<uint64_t, 3> key{bits(p.x), bits(p.y), bits(p.z)};
  auto [it, added] = index_.try_emplace(key, static_cast<uint32_t>(vertices_.size()));
  if (added) vertices_.push_back(p);
  return it->second;
}

void TMeshCollector::AddTriangle(const T3DVector& a, const T3DVector& b, const T3DVector& c) {
  triangles_.push_back({VertexIndex(a), VertexIndex(b), VertexIndex(c)});
}

void TMeshCollector::AddQuad(const T3DVector& p1, const T3DVector& p2, const T3DVector& p3, const T3DVector& p4) {
  AddTriangle(p1, p2, p3);
  AddTriangle(p1, p3, p4);
}

TQuadProc TMeshCollector::QuadProc() {
  return [this](const T3DVector& p1, const T3DVector& p2, const T3DVector& p3, const T3DVector& p4, int32_t) {
    AddQuad(p1, p2, p3, p4);
  };
}

TTriangleProc TMeshCollector::TriangleProc() {
  return [this](const T3DVector& centre, const T3DVector& a, const T3DVector& b, int32_t, bool firstEnd) {
    if (firstEnd)
      AddTriangle(centre, b, a);
    else
      AddTriangle(centre, a, b);
  };
}

double TMeshCollector::SignedVolume() const {
  double six = 0;
  for (const auto& t : triangles_) six += Dot(vertices_[t[0]], Cross(vertices_[t[1]], vertices_[t[2]]));
  return six / 6;
}

namespace {

void PutFloat(std::string& out, double v) {
  const float f = static_cast<float>(Finite(v));
  Finite(f);  // a double past the range of floats
  Put32(out, std::bit_cast<uint32_t>(f));
}

void PutVector(std::string& out, const T3DVector& v) {
  PutFloat(out, v.x);
  PutFloat(out, v.y);
  PutFloat(out, v.z);
}

void PutNumber(std::string& out, double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, Finite(v));
  out.append(buf, r.ptr);
}

}  // namespace

std::string StlBytes(const TMeshCollector& mesh, const std::string& title) {
  const auto& tris = mesh.Triangles();
  const auto& v = mesh.Vertices();
  std::string out;
  out.reserve(84 + tris.size() * 50);
  // A header starting with "solid" makes some readers take the file for text.
  std::string header = "binary STL: " + title;
  header.resize(80, ' ');
  out += header;
  Put32(out, static_cast<uint32_t>(tris.size()));
  for (const auto& t : tris) {
    PutVector(out, TriangleNormal({{v[t[0]], v[t[1]], v[t[2]]}}));
    for (uint32_t i : t) PutVector(out, v[i]);
    out.push_back(0);
    out.push_back(0);
  }
  return out;
}

std::string ObjText(const TMeshCollector& mesh, const std::string& title) {
  std::string out = "# " + title + "\n";
  out.reserve(out.size() + mesh.Vertices().size() * 40 + mesh.Triangles().size() * 24);
  for (const T3DVector& p : mesh.Vertices()) {
    out += "v ";
    PutNumber(out, p.x);
    out += ' ';
    PutNumber(out, p.y);
    out += ' ';
    PutNumber(out, p.z);
    out += '\n';
  }
  char buf[16];
  for (const auto& t : mesh.Triangles()) {
    out += 'f';
    for (uint32_t i : t) {
      out += ' ';
      const auto r = std::to_chars(buf, buf + sizeof buf, i + 1);
      out.append(buf, r.ptr);
    }
    out += '\n';
  }
  return out;
}

void WriteStlFile(const std::filesystem::path& path, const TMeshCollector& mesh, const std::string& title) {
  WriteFileAtomically(path, StlBytes(mesh, title));
}

void WriteObjFile(const std::filesystem::path& path, const TMeshCollector& mesh, const std::string& title) {
  WriteFileAtomically(path, ObjText(mesh, title));
}

}  // namespace lumora
