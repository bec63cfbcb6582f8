#pragma once
// Helpers of the X-file tests: reading text into a frame, getting meshes.

#include <gtest/gtest.h>

#include <string>

#include "meshfiles/GLXFileReader.h"
#include "scene/GLMesh.h"

namespace lumora::testing {

inline const std::string kTextHeader = "xof 0302txt 0032\n";

inline TGLMesh& MeshAt(TGLBaseFrame& frame, int i) { return dynamic_cast<TGLMesh&>(*frame.Meshes[i]); }

inline void ExpectVector(const T3DVector& v, double x, double y, double z, double tolerance = 1e-9) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

// The message of the error a load raises, or "" when it succeeds.
inline std::string LoadError(const std::string& data, TGLBaseFrame& frame, bool append = false) {
  try {
    ReadXStream(data, frame, nullptr, append);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

}  // namespace lumora::testing
