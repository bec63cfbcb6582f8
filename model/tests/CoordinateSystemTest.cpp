// Coordinate systems in every spelling Survex and Therion wrote, against
// PROJ's own cs2cs for the positions.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "model/CoordinateSystem.h"
#include "model/tests/SurvexOracle.h"

using namespace lumora;

TEST(CoordinateSystem, EverySpellingNamesTheSameSystem) {
  struct TCase {
    const char* Text;
    const char* Code;  // the system it is
    int Zone;          // its WGS 84 UTM zone, or 0
  } cases[] = {
      {"EPSG:32633", "EPSG:32633", 33},
      {"epsg:32633", "EPSG:32633", 33},
      {"EPSG:32733", "EPSG:32733", -33},
      {"+init=epsg:32638", "EPSG:32638", 38},
      {"+proj=utm +zone=30 +ellps=WGS84 +no_defs", "EPSG:32630", 30},
      {"+proj=utm +ellps=WGS84 +datum=WGS84 +units=m +zone=30 +no_defs", "EPSG:32630", 30},
      {"+proj=utm +zone=33 +south +datum=WGS84 +units=m +no_defs +type=crs", "EPSG:32733", -33},
      {"EPSG:27700", "EPSG:27700", 0},
      {"+proj=tmerc +lat_0=49 +lon_0=-2 +k=0.9996012717 +x_0=400000 +y_0=-100000 +ellps=airy +datum=OSGB36 "
       "+units=m +no_defs",
       "EPSG:27700", 0},
      {"EPSG:31255", "EPSG:31255", 0},  // Austria GK Central
      {"ESRI:102100", "ESRI:102100", 0},
      {"EPSG:32661", "EPSG:32661", 0},  // polar stereographic, not UTM
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    const TCoordinateSystem cs = DescribeCoordinateSystem(c.Text);
    EXPECT_TRUE(cs.Known);
    EXPECT_TRUE(cs.Projected);
    EXPECT_EQ(cs.Code, c.Code);
    EXPECT_EQ(cs.UtmZone, c.Zone);
    EXPECT_FALSE(cs.Name.empty());
    EXPECT_NE(cs.Name, "unknown");
  }
  for (const char* text : {"", "bogus", "EPSG:4326", "+proj=longlat +datum=WGS84"}) {
    const TCoordinateSystem cs = DescribeCoordinateSystem(text);
    EXPECT_FALSE(cs.Projected) << text;
    EXPECT_EQ(cs.UtmZone, 0) << text;
  }
  EXPECT_EQ(UtmZoneOf("+proj=utm +zone=30 +ellps=intl"), 0) << "another ellipsoid is not WGS 84";
}

// Positions of projected systems to WGS 84 as cs2cs puts them; the .prj
// text as PROJ writes it, in feet too.
TEST(CoordinateSystem, PlacesAsCs2csDoes) {
  int rc = 0;
  lumora::testing::Shell("command -v cs2cs >/dev/null", &rc);
  if (rc != 0) GTEST_SKIP() << "PROJ's cs2cs is not installed";
  // cs2cs takes a system's axes in its authority's order (northing first
  // for EPSG:31255), a .3d file gives east then north; a PROJ string with
  // a datum shift it takes in its own old form, longitude first.
  const std::string tmerc =
      "+proj=tmerc +lat_0=0 +lon_0=15 +k=0.9999 +x_0=500000 +y_0=-5000000 +ellps=bessel "
      "+towgs84=682,-203,480,0,0,0,0 +units=m +no_defs";
  struct TCase {
    std::string Cs, Oracle;  // how a file names it, how cs2cs takes it
    double East, North;
    bool NorthFirst, LongitudeFirst;
  } cases[] = {{"EPSG:27700", "EPSG:27700 EPSG:4326", 398000, 470000, false, false},
               {"+init=epsg:32638", "EPSG:32638 EPSG:4326", 420000, 4700000, false, false},
               {"EPSG:31255", "EPSG:31255 EPSG:4326", 89608.17, 151843.09, true, false},
               {tmerc, tmerc + " +to +proj=longlat +datum=WGS84", 461000, 96000, false, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Cs);
    const TLonLatTransform t(c.Cs);
    const auto [lon, lat] = t.Transform(c.East, c.North);
    char point[64];
    std::snprintf(point, sizeof point, "%.3f %.3f", c.NorthFirst ? c.North : c.East, c.NorthFirst ? c.East : c.North);
    const std::string out = lumora::testing::Shell("echo " + std::string(point) + " | cs2cs -f %.9f " + c.Oracle);
    double a = 0, b = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "%lf %lf", &a, &b), 2) << out;
    EXPECT_NEAR(lat, c.LongitudeFirst ? b : a, 1e-8);
    EXPECT_NEAR(lon, c.LongitudeFirst ? a : b, 1e-8);
  }
  EXPECT_THROW(TLonLatTransform("bogus"), std::runtime_error);

  const std::string metres = EsriProjection("EPSG:27700", false, 0.3048);
  EXPECT_EQ(metres.rfind("PROJCS[\"British_National_Grid\"", 0), 0u) << metres;
  EXPECT_NE(metres.find("PARAMETER[\"False_Easting\",400000.0]"), std::string::npos) << metres;
  const std::string feet = EsriProjection("EPSG:27700", true, 0.3048);
  EXPECT_NE(feet.find("UNIT[\"Foot\",0.3048]"), std::string::npos) << feet;
  EXPECT_NE(feet.find("PARAMETER[\"False_Easting\",1312335.958"), std::string::npos) << feet;
  EXPECT_TRUE(EsriProjection("bogus", false, 0.3048).empty());
}
