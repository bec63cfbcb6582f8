#include <gtest/gtest.h>

#include <unistd.h>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <random>

#include "export/ExportMain.h"
#include "export/ExportOptions.h"
#include "platform/AtomicFile.h"
#include "platform/IniFile.h"

using namespace lumora;

namespace {

std::filesystem::path TempDir(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / ("lumora-export-" + name + "-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

uint32_t Rgb(int r, int g, int b) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; }

// Every stored option moved away from its default.
TExportOptions Changed() {
  TExportOptions o;
  o.UnitRadio = 1;
  o.ConvertTypeRadio = 6;
  o.ShapeTypeRadio = 1;
  o.DoPassageChk = false;
  o.PassDepthColorChk = true;
  o.VertColorChk = true;
  o.SplineSurfaceChk = true;
  o.PassColorDis = Rgb(1, 2, 3);
  o.TransparencySpin = 12.5;
  o.TransparencyChk = true;  // "DoTexture"
  o.TextureEdit = "rock wall.jpg";
  o.TextureChk = false;  // "DoTransparency"
  o.DoLineChk = true;
  o.LineDepthColorChk = true;
  o.LineColorDis = Rgb(4, 5, 6);
  o.YawRotateChk = true;
  o.BackColorDis = Rgb(7, 8, 9);
  o.ProfileChk = true;
  o.RotSpin = 33.25;
  o.PassageTypeRadio = 1;
  o.LayerSurveysChk = false;
  o.AssocPassChk = true;
  o.AssocLabelChk = true;
  o.SeparateChk = true;
  o.LeftRightCheck = false;
  o.UpDownCheck = false;
  o.LineCheck = true;
  o.MarkFromChk = false;
  o.MarkToChk = true;
  o.MarkWithRadio = 2;
  o.ExpandMarkChk = false;
  o.ShotLineChk = false;
  o.LabelsChk = false;
  o.StationMarkChk = false;
  o.WallsChk = false;
  o.NorthArrowChk = false;
  o.ScaleBarChk = false;
  o.DepthChk = false;
  o.ClipLinesChk = true;
  o.SurveyColor = 30;
  o.LabelColor = 250;
  o.DepthColor = 141;
  o.WallColor = 6;
  o.ScaleBarSpin = 250;
  o.MarkSizeSpin = 1.05;
  o.ScaleChk = true;
  o.ScaleSpin = 0.001;
  o.DatumCombo = 3;
  o.AltitudeModeRadio = 1;
  o.AltitudeSpin = -7.5;
  o.KMLLineColorDis = Rgb(10, 11, 12);
  o.KMLFillColorDis = Rgb(13, 14, 15);
  o.FillTransBar = 200;
  o.SectionsChk = false;
  o.MarkSectionsChk = false;
  o.LabelSectionsChk = false;
  o.KMLMarkColorDis = Rgb(16, 17, 18);
  o.KMLLabelColorDis = Rgb(19, 20, 21);
  o.KMLMarkScaleSpin = 0.3;
  o.KMLLabelScaleSpin = 3.9;
  o.PassShapeRadio = 0;
  o.SubSpin = 7.25;
  o.SubChk = false;
  o.ExpandWallChk = false;
  o.MergeChk = false;
  o.SealChk = false;
  o.CornerRadio = 2;
  o.CornerAngleSpin = 45;
  o.VerticalChk = false;
  o.VerticalAngleSpin = 80;
  return o;
}

}  // namespace

TEST(Palette, FixedEntriesHuesAndGreys) {
  EXPECT_EQ(aci_to_rgb(0), Rgb(0, 0, 0));
  EXPECT_EQ(aci_to_rgb(1), Rgb(255, 0, 0));
  EXPECT_EQ(aci_to_rgb(2), Rgb(255, 255, 0));
  EXPECT_EQ(aci_to_rgb(3), Rgb(0, 255, 0));
  EXPECT_EQ(aci_to_rgb(5), Rgb(0, 0, 255));
  for (int i : {7, 8, 9}) EXPECT_EQ(aci_to_rgb(i), Rgb(255, 255, 255)) << i;
  // Hue steps of 15 degrees; odd indexes half saturated; value by the last digit.
  EXPECT_EQ(aci_to_rgb(10), Rgb(255, 0, 0));
  EXPECT_EQ(aci_to_rgb(11), Rgb(255, 127, 127));
  EXPECT_EQ(aci_to_rgb(30), Rgb(255, 127, 0));  // 30 degrees
  EXPECT_EQ(aci_to_rgb(90), Rgb(0, 255, 0));    // 120 degrees
  EXPECT_EQ(aci_to_rgb(12), Rgb(165, 0, 0));    // value 0.65
  EXPECT_EQ(aci_to_rgb(18), Rgb(38, 0, 0));     // value 0.15
  EXPECT_EQ(aci_to_rgb(170), Rgb(0, 0, 255));   // 240 degrees
  EXPECT_EQ(aci_to_rgb(250), Rgb(84, 84, 84));
  EXPECT_EQ(aci_to_rgb(255), Rgb(255, 255, 255));
  // Beyond the table: greys kept inside a byte.
  EXPECT_EQ(aci_to_rgb(300), Rgb(255, 255, 255));
  EXPECT_EQ(aci_to_rgb(-20), Rgb(0, 0, 0));
}

TEST(Palette, NearestIndex) {
  EXPECT_EQ(rgb_to_aci(Rgb(255, 0, 0)), 1);
  EXPECT_EQ(rgb_to_aci(Rgb(250, 4, 3)), 1);
  EXPECT_EQ(rgb_to_aci(Rgb(0, 0, 255)), 5);
  EXPECT_EQ(rgb_to_aci(Rgb(255, 255, 255)), 7);
  EXPECT_EQ(rgb_to_aci(aci_to_rgb(255)), 7);  // 255 is reported as 7
  // Greys never give 0, not even black.
  for (int g = 0; g <= 255; g += 5) {
    const int i = rgb_to_aci(Rgb(g, g, g));
    EXPECT_NE(i, 0) << g;
    EXPECT_NE(i, 255) << g;
  }
  EXPECT_EQ(rgb_to_aci(Rgb(84, 84, 84)), 250);
  // A swatch colour finds an index of the same colour again.
  for (int i = 1; i <= 255; ++i) EXPECT_EQ(aci_to_rgb(rgb_to_aci(aci_to_rgb(i))), aci_to_rgb(i)) << i;
}

TEST(Units, FactorAndLabel) {
  TExportOptions o;
  EXPECT_EQ(unit_factor(o), 1.0);
  EXPECT_EQ(unit_label(o), "Ft.");
  o.UnitRadio = 1;
  EXPECT_EQ(unit_factor(o), MetresPerFoot());
  EXPECT_EQ(unit_label(o), "M.");
}

TEST(Settings, FileTextOrderSectionsAndSwappedKeys) {
  const auto dir = TempDir("ini");
  TExportOptions o;
  o.TextureChk = true;        // "Use Texture" is stored as DoTransparency
  o.TransparencyChk = false;  // "Do Tranparency" is stored as DoTexture
  o.ScaleSpin = 12.5;
  o.WallColor = 3;
  TIniFile ini(dir / "CaveExport.ini");
  SaveExportSettings(o, ini);
  ini.UpdateFile();
  const std::string text = ReadWholeFile(dir / "CaveExport.ini");

  // Sections in write order, the colours in "VRLM".
  std::vector<std::string> sections;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] == '[') sections.push_back(line.substr(0, line.find(']') + 1));
  EXPECT_EQ(sections,
            (std::vector<std::string>{"[Global]", "[Shape]", "[VRML]", "[VRLM]", "[DXF]", "[KML]", "[Walls]"}));

  EXPECT_EQ(ini.ReadString("VRML", "DoTransparency", ""), "1");
  EXPECT_EQ(ini.ReadString("VRML", "DoTexture", ""), "0");
  EXPECT_EQ(ini.ReadString("VRLM", "PassageColor", ""), "255");
  EXPECT_EQ(ini.ReadString("VRLM", "LineColor", ""), "16776960");
  EXPECT_EQ(ini.ReadString("VRLM", "BackgroundColor", ""), "8421504");
  EXPECT_FALSE(ini.ValueExists("VRML", "PassageColor"));
  EXPECT_EQ(ini.ReadString("VRML", "Transparency", ""), "50");
  EXPECT_EQ(ini.ReadString("VRML", "TextureFile", ""), "texture2.png");
  // Layer colours as the RGB of their palette entry.
  EXPECT_EQ(ini.ReadString("DXF", "SurveyColor", ""), "65280");
  EXPECT_EQ(ini.ReadString("DXF", "LabelColor", ""), "65535");
  EXPECT_EQ(ini.ReadString("DXF", "DepthColor", ""), "16711680");
  EXPECT_EQ(ini.ReadString("DXF", "WallColor", ""), "65280");
  EXPECT_EQ(ini.ReadString("DXF", "ScaleFactor", ""), "12.5");
  EXPECT_EQ(ini.ReadString("DXF", "IncludeWalls", ""), "1");
  EXPECT_EQ(ini.ReadString("Walls", "SubstituteDiam", ""), "2");
  EXPECT_EQ(ini.ReadString("Global", "Units", ""), "0");
  EXPECT_EQ(
      ini.ReadSection("Walls"),
      (std::vector<std::string>{"PassShape", "SubstituteDiam", "DoSubstitute", "ExpandWalls", "MergePass", "SealEnds",
                                "RoundDepth", "CornerThreshold", "VerticalPrisms", "VerticalThreshold"}));
  // Options the window does not store are not written.
  EXPECT_FALSE(ini.ValueExists("KML", "LineWidth"));
  EXPECT_FALSE(ini.ValueExists("Shape", "ZipShape"));
  std::filesystem::remove_all(dir);
}

TEST(Settings, RoundTripKeepsEveryStoredOption) {
  const auto dir = TempDir("roundtrip");
  const TExportOptions saved = Changed();
  {
    TIniFile ini(dir / "CaveExport.ini");
    SaveExportSettings(saved, ini);
    ini.UpdateFile();
  }
  TExportOptions restored;
  RestoreExportSettings(restored, TIniFile(dir / "CaveExport.ini"));
  EXPECT_EQ(restored, saved);

  // The swapped keys read back into the right controls.
  TExportOptions swapped;
  swapped.TextureChk = true;
  swapped.TransparencyChk = false;
  TIniFile ini(dir / "other.ini");
  SaveExportSettings(swapped, ini);
  TExportOptions back;
  back.TextureChk = false;
  back.TransparencyChk = true;
  RestoreExportSettings(back, ini);
  EXPECT_TRUE(back.TextureChk);
  EXPECT_FALSE(back.TransparencyChk);
  std::filesystem::remove_all(dir);
}

TEST(Settings, MissingOrBadValuesKeepTheCurrentValue) {
  const auto dir = TempDir("partial");
  {
    std::ofstream f(dir / "CaveExport.ini");
    f << "[dxf]\nrotation=90\nPassageType=7\nMarkSize=abc\nScaleFactor=0\nWallColor=250\n"
         "[VRML]\nPassageColor=0\n[vrlm]\nLineColor=42\n[Walls]\nCornerThreshold=nan\n";
  }
  TExportOptions o = Changed();
  const TExportOptions before = o;
  const std::string warning = RestoreExportSettings(o, TIniFile(dir / "CaveExport.ini"));
  // One warning names every refused key, and only those.
  for (const char* refused :
       {"DXF/PassageType=7 (", "DXF/MarkSize=abc (", "DXF/ScaleFactor=0 (", "CornerThreshold=nan ("})
    EXPECT_NE(warning.find(refused), std::string::npos) << warning;
  EXPECT_EQ(warning.find("otation"), std::string::npos) << warning;
  EXPECT_NE(warning.find("CaveExport.ini"), std::string::npos) << warning;
  EXPECT_EQ(o.RotSpin, 90);                                // sections and keys ignore case
  EXPECT_EQ(o.PassageTypeRadio, before.PassageTypeRadio);  // outside the radio
  EXPECT_EQ(o.MarkSizeSpin, before.MarkSizeSpin);
  EXPECT_EQ(o.ScaleSpin, before.ScaleSpin);        // below the spin's range
  EXPECT_EQ(o.WallColor, 1);                       // RGB 250,0,0 is nearest red
  EXPECT_EQ(o.PassColorDis, before.PassColorDis);  // the colour lives in VRLM
  EXPECT_EQ(o.LineColorDis, 42u);
  EXPECT_EQ(o.CornerAngleSpin, before.CornerAngleSpin);
  o.RotSpin = before.RotSpin;
  o.WallColor = before.WallColor;
  o.LineColorDis = before.LineColorDis;
  EXPECT_EQ(o, before);

  TExportOptions none = Changed();
  EXPECT_EQ(RestoreExportSettings(none, TIniFile(dir / "missing.ini")), "");
  EXPECT_EQ(none, Changed());
  std::filesystem::remove_all(dir);
}

TEST(Settings, SetOneOptionByItsKey) {
  TExportOptions o;
  EXPECT_EQ(SetExportOption(o, "dxf", "profilemode", "1"), "");
  EXPECT_TRUE(o.ProfileChk);
  EXPECT_EQ(SetExportOption(o, "VRML", "DoTexture", "1"), "");
  EXPECT_TRUE(o.TransparencyChk);
  EXPECT_EQ(SetExportOption(o, "DXF", "WallColor", "65535"), "");
  EXPECT_EQ(o.WallColor, 2);
  EXPECT_EQ(SetExportOption(o, "VRML", "TextureFile", "a b.png"), "");
  EXPECT_EQ(o.TextureEdit, "a b.png");
  EXPECT_NE(SetExportOption(o, "VRML", "PassageColor", "1"), "");  // lives in VRLM
  EXPECT_NE(SetExportOption(o, "DXF", "Rotation", "361"), "");
  EXPECT_NE(SetExportOption(o, "DXF", "MarkWith", "x"), "");
  EXPECT_NE(SetExportOption(o, "Walls", "Nothing", "1"), "");
  EXPECT_EQ(o.RotSpin, 0);
}

TEST(Settings, FileLivesInTheBareNameFolder) {
  EXPECT_EQ(ExportSettingsPath().filename(), "CaveExport.ini");
  const char* home = std::getenv("XDG_CONFIG_HOME");
  if (home) {
    EXPECT_EQ(ExportSettingsPath().parent_path(), std::filesystem::path(home));
  }
}

// ---- Shared writer pieces ----

namespace {

class RecordingProgress : public TExportProgress {
 public:
  std::vector<std::array<int, 3>> bars;
  std::vector<std::string> statuses;
  int events = 0;

 protected:
  void Bars(int a, int b, int c) override { bars.push_back({a, b, c}); }
  void Status(const std::string& s) override { statuses.push_back(s); }
  void ProcessEvents() override { ++events; }
};

}  // namespace

TEST(Progress, PassesSlicesAndRounding) {
  RecordingProgress p;
  p.set_progress_pass(1, 2);
  p.show_progress(1, 3, 1, 8, 5, 8);  // 50 + round(33.3)/2; 12.5 rounds to even; 62.5 too
  p.set_progress_pass(0, 3);
  p.show_progress(2, 3, 0, 0, 7, 7);  // empty totals read as nothing done
  p.set_all_progress(100);
  p.reset_progress();
  p.show_status("Done");
  ASSERT_EQ(p.bars.size(), 4u);
  EXPECT_EQ(p.bars[0], (std::array<int, 3>{66, 12, 62}));
  EXPECT_EQ(p.bars[1], (std::array<int, 3>{22, 0, 100}));
  EXPECT_EQ(p.bars[2], (std::array<int, 3>{100, 100, 100}));
  EXPECT_EQ(p.bars[3], (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(p.events, 4);
  EXPECT_EQ(p.statuses, std::vector<std::string>{"Done"});
}

TEST(WallSettings, EachWriterCopiesItsRow) {
  TExportOptions o;
  o.SubChk = false;
  o.SubSpin = 5;
  o.CornerAngleSpin = 33;
  o.CornerRadio = 2;
  o.VerticalChk = false;
  o.VerticalAngleSpin = 70;
  o.ExpandWallChk = false;
  o.PassShapeRadio = 1;
  o.MergeChk = false;
  o.SealChk = true;
  o.ShowHiddenChk = true;
  o.UnitRadio = 1;

  TPassageOptions p;
  p.IncludeHidden = true;
  p.AverageJoints = true;
  p.CenterModel = true;
  p.ConvertToMetres = true;
  p.SealEnds = true;
  CopyWallSettings(o, TExportWriter::DXF, p);
  EXPECT_EQ(p.SubstituteDiameter, 0);
  EXPECT_EQ(p.CornerThreshold, 33);
  EXPECT_EQ(p.RoundingPasses, 2);
  EXPECT_FALSE(p.VerticalPrisms);
  EXPECT_EQ(p.VerticalThreshold, 70);
  EXPECT_FALSE(p.FillDimensions);
  EXPECT_EQ(p.PassageShape, 1);
  EXPECT_FALSE(p.SealEnds);
  EXPECT_FALSE(p.AverageJoints);  // MergeChk
  EXPECT_FALSE(p.CenterModel);
  EXPECT_FALSE(p.ConvertToMetres);
  EXPECT_TRUE(p.IncludeHidden);  // left alone

  o.SubChk = true;
  p.AverageJoints = true;
  CopyWallSettings(o, TExportWriter::VRML, p);
  EXPECT_EQ(p.SubstituteDiameter, 5);
  EXPECT_TRUE(p.SealEnds);
  EXPECT_TRUE(p.CenterModel);
  EXPECT_TRUE(p.AverageJoints);  // left alone

  p.IncludeHidden = false;
  CopyWallSettings(o, TExportWriter::Shapefile, p);
  EXPECT_FALSE(p.SealEnds);
  EXPECT_FALSE(p.CenterModel);
  EXPECT_TRUE(p.ConvertToMetres);
  EXPECT_TRUE(p.IncludeHidden);
}

TEST(PlotLoaded, WarnsWithoutAPlot) {
  TPlotModel model;
  std::string warning;
  EXPECT_FALSE(CheckPlotLoaded(model, [&](const std::string& t) { warning = t; }));
  EXPECT_EQ(warning, "No Plot File Load.");
  warning.clear();
  ASSERT_TRUE(LoadPlotText(model, "Z 0 1 0 1 0 1\r\nN S D 1 1 2000 C x\r\nM 0 0 0 S A\r\n", "x.plt").Ok);
  EXPECT_TRUE(CheckPlotLoaded(model, [&](const std::string& t) { warning = t; }));
  EXPECT_EQ(warning, "");
}

TEST(Numbers, FixedPointMatchesToCharsAndPads) {
  EXPECT_EQ(FixedString(0.5, 2, 5), "    0.50");
  EXPECT_EQ(FixedString(-12.5, 2, 5), "  -12.50");
  EXPECT_EQ(FixedString(1234567.891, 2, 5), "1234567.89");
  EXPECT_EQ(FixedString(-99999.999, 2, 5), "-100000.00");
  EXPECT_EQ(FixedString(0.125, 2), "0.12");  // exact half: to even, as printf
  EXPECT_EQ(FixedString(0.375, 2), "0.38");
  EXPECT_EQ(FixedString(1.005, 2), "1.00");  // 1.00499999...
  EXPECT_EQ(FixedString(-1e-17, 2), "0.00");
  EXPECT_EQ(FixedString(-0.0, 5), "0.00000");
  EXPECT_EQ(FixedString(-0.004, 2, 5), "    0.00");
  EXPECT_EQ(FixedString(-0.006, 2), "-0.01");
  EXPECT_EQ(FixedString(128 / 255.0, 5), "0.50196");
  EXPECT_EQ(FixedString(3e20, 2), "300000000000000000000.00");
  EXPECT_EQ(FixedString(7, 0), "7");

  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> mag(-8, 14);
  char buf[400];
  for (int i = 0; i < 200000; ++i) {
    const int decimals = i % 2 ? 2 : 5;
    double v = std::pow(10.0, mag(rng)) * (rng() % 2 ? 1 : -1);
    if (i % 7 == 0) v = std::nearbyint(v * 1000) / 1000 + (rng() % 2 ? 0.005 : 0.0000049);
    std::string expect(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals).ptr);
    if (expect[0] == '-' && expect.find_first_not_of("-0.") == std::string::npos) expect.erase(0, 1);
    ASSERT_EQ(FixedString(v, decimals), expect) << v;
  }
}

TEST(ExportFile, ReplacesOnlyWhenComplete) {
  const auto dir = TempDir("file");
  const auto target = dir / "out.dxf";
  WriteFileAtomically(target, "old");
  {
    TExportFile f(target);
    f.Buffer() = std::string(3 << 20, 'x');
    f.Flush();  // the large part is on disk, beside the target
    EXPECT_EQ(ReadWholeFile(target), "old");
  }  // never committed: the old file stays, the temporary goes
  EXPECT_EQ(ReadWholeFile(target), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
  {
    TExportFile f(target);
    f.Buffer() = "new";
    f.Commit();
    EXPECT_EQ(f.BytesWritten(), 3u);
  }
  EXPECT_EQ(ReadWholeFile(target), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
  try {
    TExportFile f(dir / "no-such-folder" / "out.dxf");
    FAIL() << "created a file in a missing folder";
  } catch (const EExport& e) {
    EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
  }
  std::filesystem::remove_all(dir);
}

TEST(DataTypes, ChoicesFollowFileTypeAndBounds) {
  TExportOptions o;
  TExportContext context;
  o.ConvertTypeRadio = 7;  // "3D Polygon Prism"
  auto c = RefreshDataTypeChoices(o, context);
  EXPECT_EQ(o.ConvertTypeRadio, 7);
  EXPECT_TRUE(c.Enabled[7] && c.Enabled[8]);
  EXPECT_FALSE(c.Visible[9] || c.Visible[10]);  // no bounding polygons
  o.ShapeTypeRadio = 1;                         // "2D Shape File"
  c = RefreshDataTypeChoices(o, context);
  EXPECT_FALSE(c.Enabled[7] || c.Enabled[8]);
  EXPECT_EQ(o.ConvertTypeRadio, 0);  // back to "Stations"
  o.ConvertTypeRadio = 9;
  RefreshDataTypeChoices(o, context);
  EXPECT_EQ(o.ConvertTypeRadio, 0);
  context.BoundingPolygonsAvailable = true;
  o.ConvertTypeRadio = 10;
  c = RefreshDataTypeChoices(o, context);
  EXPECT_TRUE(c.Visible[9] && c.Visible[10]);
  EXPECT_EQ(o.ConvertTypeRadio, 10);
}
