#include "model/WorkingUnits.h"

#include "model/PlotReader.h"

namespace lumora {

void ApplyUnits(TWorkingUnits& units) {
  if (units.UnitsFeet) {
    units.ShortUnitName = "ft";
    units.LongUnitName = "Feet";
    units.LengthFactor = units.AreaFactor = units.VolumeFactor = 1;
  } else {
    const double m = MetresPerFoot();
    units.ShortUnitName = "m";
    units.LongUnitName = "Meters";
    units.LengthFactor = m;
    units.AreaFactor = m * m;
    units.VolumeFactor = m * m * m;
  }
}

TWorkingUnits MakeWorkingUnits(bool feet) {
  TWorkingUnits units;
  units.UnitsFeet = feet;
  ApplyUnits(units);
  return units;
}

}  // namespace lumora
