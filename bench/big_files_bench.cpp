// The command line on a generated cave of a million records, each command
// run as its own process and measured by the system (wall, CPU, peak):
//
//   info     lumora-cli info: at most 0.4 s, a model of at most 150 bytes
//            per record, at least 5 x faster than survexport --3d on the
//            same cave (when survexport is installed)
//   convert  lumora-cli xfile convert of the plot: at least 100 MB/s
//            written, peak at most model + mesh + 256 MB
//   xinfo    lumora-cli xfile info of that X file: at least 100 MB/s read,
//            peak at most 1.5 x the mesh it builds
//   vrml     lumora-cli export --format vrml: at least 100 MB/s, load
//            included
//   glb      lumora-cli export --format glb: at most 10 s, load included,
//            and at most 40 bytes per wall triangle
//
//   bench_big_files [stations] [folder] [rows...]
//
// The X file (several GB), the VRML world and the glTF file are written into the folder
// (default /tmp) and removed. LUMORA_CLI names another lumora-cli to
// measure, for figures from an earlier build.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/GLCave.h"
#include "bench/BenchUtil.h"
#include "model/PlotReader.h"
#include "passage/PassageLib.h"
#include "scene/GLFastMesh.h"

extern char** environ;

using namespace lumora;

namespace {

struct TRun {
  double Wall = 0, Cpu = 0, PeakMB = 0;
  std::string Output;
};

// Runs the command with its output in a file; the best wall and CPU time
// and the largest peak of `runs` runs.
TRun Measure(const std::vector<std::string>& command, int runs) {
  TRun best{1e30, 1e30, 0, {}};
  const std::string output = "/tmp/lumora-big-files-bench.out";
  for (int run = 0; run < runs; ++run) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    bench::Stopwatch watch;
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ) != 0)
      throw std::runtime_error("cannot run " + command[0]);
    posix_spawn_file_actions_destroy(&files);
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    const double wall = watch.Seconds();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
      throw std::runtime_error(command[0] + " " + command[1] + " failed");
    const double cpu = use.ru_utime.tv_sec + use.ru_stime.tv_sec + (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
    best.Wall = std::min(best.Wall, wall);
    best.Cpu = std::min(best.Cpu, cpu);
    best.PeakMB = std::max(best.PeakMB, use.ru_maxrss / 1024.0);
  }
  std::ifstream in(output);
  best.Output.assign(std::istreambuf_iterator<char>(in), {});
  std::filesystem::remove(output);
  return best;
}

void Print(const char* row, const TRun& r) {
  std::printf("  %-8s %7.2f s wall  %7.2f s CPU  peak %7.1f MB\n", row, r.Wall, r.Cpu, r.PeakMB);
}

double FileMB(const std::string& path) { return static_cast<double>(std::filesystem::file_size(path)) / 1e6; }

// The same cave as survex's plot reader takes it: record, survey, section
// and box lines only, hidden shots as shots, and "P -9 -9 -9 -9" (no
// passage extents) where a record gives none.
std::string SurvexReadableCopy(const std::string& plot) {
  const std::string copy = plot.substr(0, plot.size() - 4) + "-survex.plt";
  if (std::filesystem::exists(copy)) return copy;
  std::ifstream in(plot, std::ios::binary);
  std::ofstream out(copy, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || std::string("MDdNSZXF").find(line[0]) == std::string::npos) continue;
    if (line[0] == 'd') line[0] = 'D';
    if (std::string("MD").find(line[0]) != std::string::npos && line.find(" P ") == std::string::npos) {
      const size_t i = line.find(" I ");
      line.insert(i == std::string::npos ? line.size() : i, " P -9.00 -9.00 -9.00 -9.00");
    }
    out << line << "\r\n";
  }
  out << '\x1a';
  return copy;
}

bool Installed(const char* program) {
  return std::system(("command -v " + std::string(program) + " > /dev/null 2>&1").c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) try {
  const int stations = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::string folder = argc > 2 ? argv[2] : "/tmp";
  std::set<std::string> rows;
  for (int i = 3; i < argc; ++i) rows.insert(argv[i]);
  const auto want = [&](const char* row) { return rows.empty() || rows.count(row); };
  const char* other = std::getenv("LUMORA_CLI");
  const std::string cli = other ? other : LUMORA_CLI_PATH;
  const std::string plot = bench::GeneratedPlotFile(stations);
  std::printf("big files: %s (%.1f MB), %s\n", plot.c_str(), FileMB(plot), cli.c_str());
  std::printf("  (best of the runs; the machine is shared, so CPU time is the steadier figure)\n");

  // The commands run first, while this process is small: a command's peak
  // counts the memory of the process that started it, as the kernel
  // carries the mark across the exec.
  TRun info, survex, convert, xinfo, vrml, glb;
  double written = 0, wrlMB = 0, triangles = 0, glbBytes = 0, glbTriangles = 0;
  const bool survexThere = Installed("survexport");
  if (want("info")) {
    info = Measure({cli, "info", plot}, 5);
    if (survexThere) {
      const std::string out = folder + "/lumora-big-files-bench.3d";
      survex = Measure({"survexport", "--3d", SurvexReadableCopy(plot), out}, 2);
      std::filesystem::remove(out);
    }
  }
  if (want("convert") || want("xinfo")) {
    const std::string x = folder + "/lumora-big-files-bench.x";
    convert = Measure({cli, "xfile", "convert", plot, x}, 1);
    written = FileMB(x);
    if (want("xinfo")) {
      xinfo = Measure({cli, "xfile", "info", x}, 1);
      const size_t at = xinfo.Output.rfind("triangles: ");
      triangles = at == std::string::npos ? 0 : std::atof(xinfo.Output.c_str() + at + 11);
    }
    std::filesystem::remove(x);
  }
  if (want("vrml")) {
    const std::string wrl = folder + "/lumora-big-files-bench.wrl";
    vrml = Measure({cli, "export", plot, "--format", "vrml", "-o", wrl}, 3);
    wrlMB = FileMB(wrl);
    std::filesystem::remove(wrl);
  }

  if (want("glb")) {
    const std::string file = folder + "/lumora-big-files-bench.glb";
    glb = Measure({cli, "export", plot, "--format", "glb", "-o", file}, 3);
    glbBytes = static_cast<double>(std::filesystem::file_size(file));
    const size_t at = glb.Output.find(" meshes, ");
    glbTriangles = at == std::string::npos ? 0 : std::atof(glb.Output.c_str() + at + 9);
    std::filesystem::remove(file);
  }

  // The model and the passage mesh as the commands build them, measured
  // here as the resident memory they add.
  TPlotModel model;
  const double before = bench::CurrentRssMB();
  if (!LoadPlotFile(model, plot).Ok) throw std::runtime_error("cannot read " + plot);
  const double modelMB = bench::CurrentRssMB() - before;
  const int records = model.Plots.Count();
  std::printf("  model    %d records, %.1f MB resident, %.0f bytes per record held (goal: at most 150)\n", records,
              modelMB, bench::ModelMB(model) * 1048576.0 / records);
  if (want("info")) {
    Print("info", info);
    std::printf("           goal: at most 0.4 s\n");
    if (survexThere) {
      Print("survex", survex);
      std::printf(
          "           survexport --3d of the same cave: info is %.1f x faster by wall time, %.1f x by CPU "
          "(goal: at least 5 x)\n",
          survex.Wall / info.Wall, survex.Cpu / info.Cpu);
    } else {
      std::printf("           survexport is not installed: no comparison\n");
    }
  }
  if (want("convert")) {
    TGLFastMesh mesh;
    TPassageOptions options;
    options.CenterModel = true;
    TPassageState state;
    const double start = bench::CurrentRssMB();
    bench::ResetPeakMemory();
    // As lumora-cli xfile convert builds it: the wall fill sizes the mesh.
    AddPassageWalls(model, options, mesh, state);
    mesh.ComputeNormals(true);
    const double meshMB = bench::CurrentRssMB() - start;
    std::printf("  mesh     %d triangles, %.0f MB resident, %.0f MB at the peak of its build\n", mesh.ColorCount(),
                meshMB, bench::PeakSinceResetMB() - start);
    Print("convert", convert);
    std::printf(
        "           %.0f MB written, %.0f MB/s (goal: at least 100); peak against model %.0f + mesh %.0f "
        "+ 256 MB = %.0f MB\n",
        written, written / convert.Wall, modelMB, meshMB, modelMB + meshMB + 256);
  }
  if (want("xinfo")) {
    // Corners and their normals as doubles, colours as 4 bytes.
    const double builtMB = triangles * 3 * (24 + 24 + 4) / 1048576.0;
    Print("xinfo", xinfo);
    std::printf(
        "           %.0f MB read, %.0f MB/s (goal: at least 100); the mesh it builds %.0f MB, peak %.2f x "
        "(goal: at most 1.5)\n",
        written, written / xinfo.Wall, builtMB, xinfo.PeakMB / builtMB);
  }
  if (want("vrml")) {
    Print("vrml", vrml);
    std::printf("           %.0f MB written, %.0f MB/s load included (goal: at least 100)\n", wrlMB, wrlMB / vrml.Wall);
  }
  if (want("glb")) {
    Print("glb", glb);
    std::printf(
        "           %.2f s load included (goal: at most 10); %.0f MB, %.0f wall triangles, %.1f bytes per "
        "triangle (goal: at most 40)\n",
        glb.Wall, glbBytes / 1e6, glbTriangles, glbBytes / glbTriangles);
  }
  return 0;
} catch (const std::exception& e) {
  std::fprintf(stderr, "bench_big_files: %s\n", e.what());
  return 1;
}
