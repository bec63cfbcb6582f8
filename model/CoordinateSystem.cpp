#include "model/CoordinateSystem.h"

#include <proj.h>
#include <proj_experimental.h>

#include <cmath>
#include <stdexcept>
#include <vector>

namespace lumora {
namespace {

// One PROJ context and the objects made in it, released together.
class TProj {
 public:
  TProj() : ctx_(proj_context_create()) {
    if (!ctx_) throw std::runtime_error("PROJ cannot start");
    // PROJ would print its complaints about a text it cannot read.
    proj_log_func(ctx_, nullptr, [](void*, int, const char*) {});
    // Therion and old Survex wrote +init=epsg:n, which PROJ reads only so.
    proj_context_use_proj4_init_rules(ctx_, 1);
  }
  ~TProj() {
    for (PJ* p : made_) proj_destroy(p);
    proj_context_destroy(ctx_);
  }
  TProj(const TProj&) = delete;
  TProj& operator=(const TProj&) = delete;

  PJ_CONTEXT* Context() const { return ctx_; }
  PJ* Keep(PJ* p) {
    if (p) made_.push_back(p);
    return p;
  }
  // The system a .3d file names; null when PROJ cannot read it.
  PJ* System(std::string_view text) {
    std::string t(text);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.pop_back();
    // A +proj string would be read as an operation, not as a system.
    if (!t.empty() && t[0] == '+' && t.find("+type=crs") == std::string::npos) t += " +type=crs";
    PJ* p = Keep(proj_create(ctx_, t.c_str()));
    if (!p || !proj_is_crs(p)) return nullptr;
    return p;
  }
  // The system itself when it is bound to a datum shift.
  PJ* Base(PJ* crs) { return proj_get_type(crs) == PJ_TYPE_BOUND_CRS ? Keep(proj_get_source_crs(ctx_, crs)) : crs; }
  // The EPSG system that has the same definition, when PROJ finds one.
  PJ* Identified(PJ* crs, int minConfidence) {
    int* confidence = nullptr;
    PJ_OBJ_LIST* list = proj_identify(ctx_, crs, "EPSG", nullptr, &confidence);
    PJ* best = nullptr;
    if (list && proj_list_get_count(list) > 0 && confidence[0] >= minConfidence)
      best = Keep(proj_list_get(ctx_, list, 0));
    proj_int_list_destroy(confidence);
    proj_list_destroy(list);
    return best;
  }

 private:
  PJ_CONTEXT* ctx_;
  std::vector<PJ*> made_;
};

std::string CodeOf(PJ* p) {
  const char* auth = proj_get_id_auth_name(p, 0);
  const char* code = proj_get_id_code(p, 0);
  return auth && code ? std::string(auth) + ":" + code : std::string();
}

int WgsUtmZone(const std::string& code) {
  if (code.size() != 10 || code.compare(0, 7, "EPSG:32") != 0 || (code[7] != '6' && code[7] != '7')) return 0;
  const int zone = (code[8] - '0') * 10 + (code[9] - '0');
  if (zone < 1 || zone > 60) return 0;
  return code[7] == '7' ? -zone : zone;
}

// Metres in one unit of the system's first axis; 0 when unknown.
double UnitMetres(TProj& proj, PJ* crs) {
  PJ* cs = proj.Keep(proj_crs_get_coordinate_system(proj.Context(), crs));
  double factor = 0;
  if (!cs ||
      !proj_cs_get_axis_info(proj.Context(), cs, 0, nullptr, nullptr, nullptr, &factor, nullptr, nullptr, nullptr))
    return 0;
  return factor;
}

}  // namespace

TCoordinateSystem DescribeCoordinateSystem(std::string_view text) {
  TCoordinateSystem cs;
  if (text.empty()) return cs;
  TProj proj;
  PJ* crs = proj.System(text);
  if (!crs) return cs;
  cs.Known = true;
  PJ* base = proj.Base(crs);
  cs.Projected = proj_get_type(base) == PJ_TYPE_PROJECTED_CRS;
  cs.Name = proj_get_name(base) ? proj_get_name(base) : "";
  cs.Code = CodeOf(crs);
  // A +proj string has no name or code of its own: the EPSG system of the
  // same definition names it (a bound datum shift is part of that).
  if (cs.Code.empty())
    if (PJ* same = proj.Identified(crs, 70)) {
      cs.Code = CodeOf(same);
      if (cs.Name.empty() || cs.Name == "unknown") cs.Name = proj_get_name(same);
    }
  if (proj_get_type(crs) != PJ_TYPE_BOUND_CRS) cs.UtmZone = WgsUtmZone(cs.Code);
  return cs;
}

int UtmZoneOf(std::string_view coordinateSystem) { return DescribeCoordinateSystem(coordinateSystem).UtmZone; }

void SetGeoreference(TPlotInfo& info) {
  const TCoordinateSystem cs = DescribeCoordinateSystem(info.CoordinateSystem);
  info.CoordinateSystemName = cs.Name;
  info.ProjectedSystem = cs.Projected;
  if (cs.UtmZone != 0) {
    info.Zone = cs.UtmZone;
    info.HasZone = true;
    info.Datum = "WGS 1984";
  }
}

struct TLonLatTransform::Impl {
  TProj proj;
  PJ* op = nullptr;
};

TLonLatTransform::TLonLatTransform(std::string_view coordinateSystem) : impl_(std::make_unique<Impl>()) {
  TProj& proj = impl_->proj;
  PJ* from = proj.System(coordinateSystem);
  PJ* to = proj.Keep(proj_create(proj.Context(), "EPSG:4326"));
  PJ* op = from && to ? proj.Keep(proj_create_crs_to_crs_from_pj(proj.Context(), from, to, nullptr, nullptr)) : nullptr;
  // Longitude first, as KML writes it, whatever the systems' axis orders.
  impl_->op = op ? proj.Keep(proj_normalize_for_visualization(proj.Context(), op)) : nullptr;
  if (!impl_->op)
    throw std::runtime_error("PROJ has no transformation from \"" + std::string(coordinateSystem) + "\" to WGS 84");
}

TLonLatTransform::~TLonLatTransform() = default;

std::pair<double, double> TLonLatTransform::Transform(double east, double north) const {
  const PJ_COORD out = proj_trans(impl_->op, PJ_FWD, proj_coord(east, north, 0, 0));
  if (!std::isfinite(out.xy.x) || !std::isfinite(out.xy.y)) return {HUGE_VAL, HUGE_VAL};
  return {out.lp.lam, out.lp.phi};
}

std::string EsriProjection(std::string_view coordinateSystem, bool feet, double metresPerFoot) {
  TProj proj;
  PJ* crs = proj.System(coordinateSystem);
  if (!crs) return {};
  crs = proj.Base(crs);
  if (feet) {
    // The coordinates are the file's units divided by metres per foot.
    const double unit = UnitMetres(proj, crs) * metresPerFoot;
    if (unit <= 0) return {};
    const char* name = std::abs(unit - 0.3048) < 1e-12          ? "Foot"
                       : std::abs(unit - 1200.0 / 3937) < 1e-12 ? "Foot_US"
                                                                : "Foot_of_the_file";
    PJ* scaled = proj.Keep(proj_crs_alter_parameters_linear_unit(proj.Context(), crs, name, unit, nullptr, nullptr, 1));
    crs = scaled ? proj.Keep(proj_crs_alter_cs_linear_unit(proj.Context(), scaled, name, unit, nullptr, nullptr))
                 : nullptr;
    if (!crs) return {};
  }
  const char* options[] = {nullptr};
  const char* wkt = proj_as_wkt(proj.Context(), crs, PJ_WKT1_ESRI, options);
  return wkt ? wkt : "";
}

}  // namespace lumora
