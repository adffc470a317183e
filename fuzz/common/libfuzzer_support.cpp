// The libFuzzer side of the target frame: a failed check aborts, so libFuzzer keeps the input.
#include <cstdio>
#include <cstdlib>

#include "common/target.h"

namespace vostrel::fuzz {

int RegisterTarget(const char*, TargetFn) {
  return 0;
}

int RegisterSelfCheck(const char*, SelfCheckFn) {
  return 0;
}

void CheckFailed(const char* expression, const char* file, int line, std::string_view detail) {
  std::fprintf(stderr, "%s:%d: check failed: %s", file, line, expression);
  if (!detail.empty())
    std::fprintf(stderr, " (%.*s)", static_cast<int>(detail.size()), detail.data());
  std::fprintf(stderr, "\n");
  std::abort();
}

}  // namespace vostrel::fuzz
