// The frame every fuzz target is written in. A target is a function over one input's bytes that
// checks what must hold for every input with FUZZ_CHECK. The same target source builds two ways:
// with clang and libFuzzer (VOSTREL_LIBFUZZER defined; one target per executable) and with g++
// into the corpus replay, where every target registers itself under its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vostrel::fuzz {

using TargetFn = void (*)(const std::uint8_t* data, std::size_t size);
using SelfCheckFn = void (*)();

// Records a target or a self-check for the replay driver; returns a value only so that a
// namespace-scope variable can hold it.
int RegisterTarget(const char* name, TargetFn fn);
int RegisterSelfCheck(const char* name, SelfCheckFn fn);

// Reports a failed check. The libFuzzer build aborts (the input is then kept as a crash); the
// replay throws, so the failing corpus file is named.
[[noreturn]] void CheckFailed(const char* expression, const char* file, int line,
                              std::string_view detail = {});

}  // namespace vostrel::fuzz

#define FUZZ_CHECK(cond) \
  ((cond) ? static_cast<void>(0) : ::vostrel::fuzz::CheckFailed(#cond, __FILE__, __LINE__))
#define FUZZ_CHECK_MSG(cond, detail) \
  ((cond) ? static_cast<void>(0)     \
          : ::vostrel::fuzz::CheckFailed(#cond, __FILE__, __LINE__, (detail)))

#ifdef VOSTREL_LIBFUZZER

#define VOSTREL_FUZZ_TARGET(name)                                                     \
  static void FuzzTarget_##name(const std::uint8_t* data, std::size_t size);          \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    FuzzTarget_##name(data, size);                                                    \
    return 0;                                                                         \
  }                                                                                   \
  static void FuzzTarget_##name(const std::uint8_t* data, std::size_t size)

// Checks run once before the first input: the escaped clang build must behave as the g++ build.
#define VOSTREL_FUZZ_SELF_CHECK(name)                                    \
  static void FuzzSelfCheck_##name();                                    \
  extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) { \
    FuzzSelfCheck_##name();                                              \
    return 0;                                                            \
  }                                                                      \
  static void FuzzSelfCheck_##name()

#else

#define VOSTREL_FUZZ_TARGET(name)                                            \
  static void FuzzTarget_##name(const std::uint8_t* data, std::size_t size); \
  [[maybe_unused]] static const int kRegistered_##name =                     \
      ::vostrel::fuzz::RegisterTarget(#name, FuzzTarget_##name);             \
  static void FuzzTarget_##name(const std::uint8_t* data, std::size_t size)

#define VOSTREL_FUZZ_SELF_CHECK(name)                                  \
  static void FuzzSelfCheck_##name();                                  \
  [[maybe_unused]] static const int kSelfCheck_##name =                \
      ::vostrel::fuzz::RegisterSelfCheck(#name, FuzzSelfCheck_##name); \
  static void FuzzSelfCheck_##name()

#endif
