// Reads a generated Therion .lox model of a million shots and ten million
// scrap triangles (goal: at most 2 s), written here as Therion lays the
// chunks out: a survey tree, chained stations, shots with dimensions, and
// closed scrap tubes, every other one wound as strips leave them.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchUtil.h"
#include "model/TherionLoxReader.h"
#include "platform/LittleEndian.h"

using namespace lumora;

namespace {

void PutF64(std::string& out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  Put64(out, bits);
}

// Records and blob of one chunk.
struct TChunkOut {
  std::string Records, Blob;
  uint32_t Count = 0;
  void Ref(std::string_view bytes) {
    Put32(Records, static_cast<uint32_t>(Blob.size()));
    Put32(Records, static_cast<uint32_t>(bytes.size()));
    Blob += bytes;
  }
  void String(const std::string& s) { s.empty() ? Ref({}) : Ref(std::string_view(s.c_str(), s.size() + 1)); }
  void WriteTo(std::string& out, uint32_t type) const {
    Put32(out, type);
    Put32(out, static_cast<uint32_t>(Records.size()));
    Put32(out, Count);
    Put32(out, static_cast<uint32_t>(Blob.size()));
    out += Records;
    out += Blob;
  }
};

std::string GeneratedLox(int surveys, int shotsPerSurvey, int scraps, int ring, int rings) {
  TChunkOut sv, st, sh, sc;
  for (uint32_t s = 0; s <= static_cast<uint32_t>(surveys); ++s) {
    Put32(sv.Records, s);
    sv.String(s == 0 ? "" : "s" + std::to_string(s));
    Put32(sv.Records, 0);
    sv.String(s == 1 ? "Generated" : "");
    ++sv.Count;
  }
  uint32_t id = 0;
  double x = 0, y = 0, z = 0;
  for (int s = 1; s <= surveys; ++s) {
    for (int i = 0; i <= shotsPerSurvey; ++i, ++id) {
      Put32(st.Records, id);
      Put32(st.Records, static_cast<uint32_t>(s));
      st.String(std::to_string(i));
      st.String("");
      Put32(st.Records, i == 0 && s == 1 ? 6 : 0);
      PutF64(st.Records, x);
      PutF64(st.Records, y);
      PutF64(st.Records, z);
      ++st.Count;
      if (i > 0) {
        Put32(sh.Records, id - 1);
        Put32(sh.Records, id);
        for (int k = 0; k < 8; ++k) PutF64(sh.Records, 1 + k % 4);
        Put32(sh.Records, 0);
        Put32(sh.Records, 1);
        Put32(sh.Records, static_cast<uint32_t>(s));
        PutF64(sh.Records, 67.5);
        ++sh.Count;
      }
      x += std::cos(id * 0.1) * 3;
      y += std::sin(id * 0.1) * 3;
      z -= 0.2;
    }
  }
  // A tube of `rings` rings of `ring` points closed by two apexes.
  std::string points, triangles;
  for (int c = 0; c < scraps; ++c) {
    points.clear();
    triangles.clear();
    const double cx = c % 1000 * 10.0, cy = c / 1000 * 10.0;
    for (int r = 0; r < rings; ++r)
      for (int k = 0; k < ring; ++k) {
        const double a = 2 * M_PI * k / ring;
        PutF64(points, cx + std::cos(a));
        PutF64(points, cy + std::sin(a));
        PutF64(points, r * 1.0);
      }
    PutF64(points, cx);
    PutF64(points, cy);
    PutF64(points, -1);
    PutF64(points, cx);
    PutF64(points, cy);
    PutF64(points, rings);
    const uint32_t low = static_cast<uint32_t>(rings * ring), high = low + 1;
    int t = 0;
    auto tri = [&](uint32_t a, uint32_t b, uint32_t d) {
      // Every other one wound the other way, as strips come.
      const bool flip = c % 2 == 1 && t++ % 2 == 1;
      Put32(triangles, a);
      Put32(triangles, flip ? d : b);
      Put32(triangles, flip ? b : d);
    };
    for (int r = 0; r + 1 < rings; ++r)
      for (int k = 0; k < ring; ++k) {
        const uint32_t a = r * ring + k, b = r * ring + (k + 1) % ring;
        tri(a, b, b + ring);
        tri(a, b + ring, a + ring);
      }
    for (int k = 0; k < ring; ++k) {
      tri(low, static_cast<uint32_t>((k + 1) % ring), static_cast<uint32_t>(k));
      tri(high, static_cast<uint32_t>((rings - 1) * ring + k),
          static_cast<uint32_t>((rings - 1) * ring + (k + 1) % ring));
    }
    Put32(sc.Records, static_cast<uint32_t>(c));
    Put32(sc.Records, static_cast<uint32_t>(1 + c % surveys));
    Put32(sc.Records, high + 1);
    sc.Ref(points);
    Put32(sc.Records, static_cast<uint32_t>(triangles.size() / 12));
    sc.Ref(triangles);
    ++sc.Count;
  }
  std::string out;
  sv.WriteTo(out, 1);
  st.WriteTo(out, 2);
  sh.WriteTo(out, 3);
  sc.WriteTo(out, 4);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int shots = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const int triangles = argc > 2 ? std::atoi(argv[2]) : 10000000;
  // Scraps of 100 triangles: 5 rings of 10 points, 2·10·4 + 2·10.
  const int ring = 10, rings = 5, perScrap = 2 * ring * (rings - 1) + 2 * ring;
  const std::string data = GeneratedLox(std::max(1, shots / 1000), 1000, triangles / perScrap, ring, rings);
  std::printf("lox file: %.1f MB, %d shots, %d scrap triangles\n", data.size() / 1048576.0, shots,
              triangles / perScrap * perScrap);
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    TPlotModel model;
    bench::Stopwatch watch;
    const TPlotLoadResult r = LoadTherionLoxData(model, data, "bench.lox");
    const double s = watch.Seconds();
    if (!r.Ok) {
      std::fprintf(stderr, "%s\n", r.Message.c_str());
      return 1;
    }
    best = std::min(best, s);
    if (run == 0)
      std::printf("model: %d records, %zu scraps, %zu triangles\n", model.Plots.Count(), model.Meshes.Scraps.size(),
                  model.Meshes.TriangleCount());
  }
  std::printf("lox reader: %.3f s, best of 3 (goal: at most 2 s)%s\n", best, best <= 2 ? "" : "  ** over the goal **");
  return 0;
}
