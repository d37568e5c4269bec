// Small stand-ins the unit tests share: a clock set by hand and a vector
// comparison with a readable failure.
#pragma once
#include <gtest/gtest.h>

#include <glm/glm.hpp>

namespace unittest {

// Install with platform::setTimeSource(unittest::fakeClock); restore with nullptr.
inline double fakeNow = 0.0;
inline double fakeClock() { return fakeNow; }

inline void expectVec(const glm::vec3& expected, const glm::vec3& actual, float tolerance = 1e-5f) {
  EXPECT_NEAR(expected.x, actual.x, tolerance);
  EXPECT_NEAR(expected.y, actual.y, tolerance);
  EXPECT_NEAR(expected.z, actual.z, tolerance);
}

}  // namespace unittest
