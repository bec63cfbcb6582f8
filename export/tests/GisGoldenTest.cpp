// Byte-for-byte regression of the shapefile and KML writers on the demo
// cave: every output file is reduced to its size and a 64-bit FNV-1a digest
// and compared with data/gis_golden.txt, recorded from the writers before
// they were made to stream. An intended change of output regenerates the
// file with LUMORA_UPDATE_GOLDEN=1.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "export/KMLExport.h"
#include "export/ShapeExport.h"
#include "model/PlotReader.h"
#include "platform/AtomicFile.h"

using namespace lumora;

namespace {

const std::filesystem::path kGolden = std::filesystem::path(LUMORA_TEST_DATA) / "gis_golden.txt";

std::string Digest(std::string bytes, bool dbf) {
  if (dbf && bytes.size() > 4) bytes[1] = bytes[2] = bytes[3] = 0;  // the table is dated today
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  char text[48];
  std::snprintf(text, sizeof text, "%zu %016llx", bytes.size(), static_cast<unsigned long long>(h));
  return text;
}

struct Fixture {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("lumora-golden-" + std::to_string(getpid()));
  TPlotModel model;
  TPassageOptions passage;
  TPassageState state;
  TSilentProgress progress;
  std::map<std::string, std::string> digests;  // "case/file" -> "size digest"

  Fixture() {
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(LoadPlotFile(model, std::string(LUMORA_SOURCE_DIR) + "/data/demo.plt").Ok);
  }
  ~Fixture() { std::filesystem::remove_all(dir); }

  void Shapefile(const std::string& name, const TExportOptions& o, std::vector<TBoundingPolygon> bounds = {}) {
    TShapefileRequest r;
    r.Path = dir / (name + ".shp");
    r.BoundingPolygons = std::move(bounds);
    r.Warn = [](const std::string&) {};
    passage = {};
    if (!export_shapefile(r, {model, o, passage, state, progress})) {
      digests[name] = "not written";
      return;
    }
    for (const char* ext : {"shp", "shx", "dbf", "prj"})
      digests[name + "." + ext] = Digest(ReadWholeFile(ShapefileMember(r.Path, ext)), ext[0] == 'd');
  }

  void Kml(const std::string& name, const TExportOptions& o) {
    const auto path = dir / (name + ".kml");
    passage = {};
    const TExportJob job{model, o, passage, state, progress};
    ASSERT_TRUE(o.OverlayTypeRadio == 0 ? write_kml_passages(path, job) : write_kml_lines(path, job));
    digests[name + ".kml"] = Digest(ReadWholeFile(path), false);
  }
};

}  // namespace

TEST(GisGolden, DemoCaveOutputsAreUnchanged) {
  Fixture f;
  if (f.model.Plots.Count() == 0) GTEST_SKIP() << "data/demo.plt not present";
  for (int item = 0; item <= 8; ++item) {
    TExportOptions o;
    o.ConvertTypeRadio = item;
    f.Shapefile("f3d_" + std::string(ShapeLayerSuffix(item)), o);
  }
  for (int item = 0; item <= 6; ++item) {
    TExportOptions o;
    o.ConvertTypeRadio = item;
    o.ShapeTypeRadio = 1;
    o.UnitRadio = 1;
    o.ShowHiddenChk = true;
    o.DateRadio = 1;
    f.Shapefile("m2d_" + std::string(ShapeLayerSuffix(item)), o);
  }
  {
    TExportOptions o;  // metres, square prisms without rounding or merging
    o.ConvertTypeRadio = 8;
    o.UnitRadio = 1;
    o.PassShapeRadio = 0;
    o.CornerRadio = 0;
    o.MergeChk = false;
    f.Shapefile("m3d_mprism", o);
    TBoundingPolygon square;
    for (auto [x, y] : {std::pair{0.0, 0.0}, {100.0, 0.0}, {100.0, 100.0}, {0.0, 100.0}})
      square.push_back({{x, y, -10.5}, {x, y, -130.25}});
    o.ConvertTypeRadio = 9;
    f.Shapefile("m3d_bound", o, {square, {square[0], square[2], square[3]}});
    o.ConvertTypeRadio = 10;
    f.Shapefile("m3d_mbound", o, {square});
  }

  TExportOptions kml;
  f.Kml("passages", kml);
  kml.SectionsChk = false;
  kml.AltitudeModeRadio = 1;
  kml.AltitudeSpin = 12.25;
  kml.KMLSplayChk = true;
  kml.ShowHiddenChk = true;
  kml.DatumCombo = KMLDatumIndex("North American 1927");
  kml.MergeChk = false;
  f.Kml("passages_options", kml);
  kml = {};
  kml.OverlayTypeRadio = 1;
  kml.MarkSectionsChk = false;
  f.Kml("lines", kml);
  kml.LabelSectionsChk = false;
  kml.KMLSplayChk = true;
  kml.AltitudeModeRadio = 1;
  kml.DatumCombo = KMLDatumIndex("WGS 1984");
  f.Kml("lines_options", kml);

  std::ostringstream now;
  for (const auto& [name, digest] : f.digests) now << name << ' ' << digest << '\n';
  if (std::getenv("LUMORA_UPDATE_GOLDEN")) {
    WriteFileAtomically(kGolden, now.str());
    GTEST_SKIP() << "recorded " << kGolden;
  }
  std::map<std::string, std::string> golden;
  std::istringstream in(ReadWholeFile(kGolden));
  for (std::string name, rest; in >> name && std::getline(in, rest);) golden[name] = rest.substr(1);
  ASSERT_EQ(golden.size(), f.digests.size());
  for (const auto& [name, digest] : f.digests) EXPECT_EQ(digest, golden[name]) << name;
}
