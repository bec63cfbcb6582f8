#pragma once
// The walls as the scene builder added them before the fill: face by face
// through the mesh's own AddQuad and AddTriangle3, every corner looked up in
// the vertex store. Kept as the oracle of the fill.

#include <cstdint>
#include <vector>

#include "app/core/WallMesh.h"

namespace lumora::testing {

inline void EarlierPassageWalls(const TPlotModel& model, const TPassageOptions& options, TGLFastMesh& mesh,
                                TPassageState& state, std::vector<int32_t>* triangleSurveys) {
  int32_t survey = -1;
  if (triangleSurveys) triangleSurveys->clear();
  mesh.DeferFaceLists();
  auto record = [&] {
    if (triangleSurveys) triangleSurveys->resize(static_cast<size_t>(mesh.ColorCount()), survey);
  };
  BuildPassages(
      model, options, state,
      [&](const T3DVector& p1, const T3DVector& p2, const T3DVector& p3, const T3DVector& p4, int32_t) {
        mesh.AddQuad(AxisChange(p2), AxisChange(p3), AxisChange(p4), AxisChange(p1), kWallValue);
        record();
      },
      [&](const T3DVector& c, const T3DVector& a, const T3DVector& b, int32_t, bool firstEnd) {
        if (firstEnd)
          mesh.AddTriangle3(AxisChange(c), AxisChange(b), AxisChange(a), kWallValue);
        else
          mesh.AddTriangle3(AxisChange(c), AxisChange(a), AxisChange(b), kWallValue);
        record();
      },
      {},
      [&](int s) {
        survey = s;
        return true;
      });
}

}  // namespace lumora::testing
