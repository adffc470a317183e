// Processor time taken by a piece of work, for the tests that tell linear work from quadratic.
// Processor time rather than wall time, so other work on the machine does not count. (<chrono>
// cannot be used here: the library's duration suffixes hold a sign code page 932 lacks.)
#pragma once

#include <ctime>

namespace vostrel::testing {

// How much slower the sanitizer build runs the same work; the bounds of the linearity tests are
// scaled by it. Quadratic work would still miss them by orders of magnitude.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr double kBuildSlowdown = 8.0;
#else
inline constexpr double kBuildSlowdown = 1.0;
#endif

template <typename Work>
double CpuSeconds(Work&& work) {
  const std::clock_t begin = std::clock();
  work();
  return static_cast<double>(std::clock() - begin) / CLOCKS_PER_SEC;
}

}  // namespace vostrel::testing
