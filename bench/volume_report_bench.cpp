// The volume tool's full report in the window, with the cave loaded and the
// tool open as a user has them, beside `lumora-cli volume --report` on the
// same generated cave (a process of its own, load and walls included): both
// times, their ratio (goal: the window at most 1.5 times the command line)
// and whether the two texts agree; from the stations (what the window
// starts with on a cave this big) and from the walls. Needs a display: run
// it under xvfb-run.
//
//   bench_volume_report [records]

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/GLMain.h"
#include "bench/BenchUtil.h"
#include "bench/BenchWindow.h"
#include "model/PlotReader.h"
#include "platform/AtomicFile.h"
#include "viewer/GLViewer.h"
#include "volume/ui/CVMain.h"
#include "volume/ui/CVReports.h"

using namespace lumora;

namespace {

struct TRun {
  double seconds = 0, cpu = 0;
};

// The command line's report into `out`.
TRun ReportWithCli(const std::string& file, const std::string& out, bool useDims) {
  std::vector<std::string> args = {LUMORA_CLI, "volume", file, "--report"};
  if (!useDims) args.push_back("--no-pass-dims");
  const bench::TChildRun r = bench::RunProgram(args, out);
  if (!r.Ok) std::fprintf(stderr, "lumora-cli volume failed\n");
  return {r.Seconds, r.Cpu};
}

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::string file = bench::GeneratedPlotFile(records);
  const std::string cliOut = "/tmp/lumora-bench-volume-report.txt";

  QApplication app(argc, argv);
  InitPlotUnits();
  TForm1 form;
  TGLViewer& viewer = bench::ShowWindow(form);
  form.LoadCave(QString::fromStdString(file));
  bench::WaitForFrame(viewer);
  TVolumeDlg& tool = *form.VolumeDlg();
  form.OpenVolumeTool();
  while (tool.Busy()) QApplication::processEvents();
  viewer.update();
  bench::WaitForFrame(viewer);
  TVolumeReportsDlg& reports = *tool.Reports();
  reports.show();
  QApplication::processEvents();
  std::printf("volume report: %s, %d records\n", file.c_str(), form.Document().Model.Plots.Count());

  bool allSame = true;
  for (int pass = 0; pass < 2; ++pass) {
    const bool useDims = tool.UseDimsChk->isChecked();
    const TRun cli = ReportWithCli(file, cliOut, useDims);
    // The click runs the whole report and the tool's own rebuild after it.
    const double cpu0 = bench::CpuSeconds();
    bench::Stopwatch clock;
    reports.Button1->click();
    while (tool.Busy()) QApplication::processEvents();
    const TRun window{clock.Seconds(), bench::CpuSeconds() - cpu0};

    const std::string text = reports.ReportMemo->toPlainText().toStdString() + '\n';
    const bool same = text == ReadWholeFile(cliOut);
    allSame = allSame && same;
    std::printf(" from the %s\n", useDims ? "walls" : "stations");
    const std::string command = std::string("lumora-cli volume --report") + (useDims ? "" : " --no-pass-dims");
    std::printf("  %-42s %7.3f s, %7.3f s of CPU (load and walls included)\n", command.c_str(), cli.seconds, cli.cpu);
    std::printf("  %-42s %7.3f s, %7.3f s of CPU\n", "window's Show Report", window.seconds, window.cpu);
    std::printf("  ratio %.2f (goal: at most 1.5); texts %s\n", window.seconds / cli.seconds,
                same ? "identical" : "DIFFER");
    std::fflush(stdout);
    tool.UseDimsChk->click();
    while (tool.Busy()) QApplication::processEvents();
    viewer.update();
    bench::WaitForFrame(viewer);
  }
  std::remove(cliOut.c_str());
  return allSame ? 0 : 1;
}
