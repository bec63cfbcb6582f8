#pragma once
// The working units that the volume and rose tools display in. The model
// stays in feet; a value is multiplied by the matching factor for display
// and followed by one of the names.

#include <string>

namespace lumora {

struct TWorkingUnits {
  bool UnitsFeet = true;
  std::string ShortUnitName = "ft";
  std::string LongUnitName = "Feet";
  double LengthFactor = 1;
  double AreaFactor = 1;
  double VolumeFactor = 1;
};

// Names and factors from UnitsFeet; metres use MetresPerFoot().
void ApplyUnits(TWorkingUnits& units);
TWorkingUnits MakeWorkingUnits(bool feet);

}  // namespace lumora
