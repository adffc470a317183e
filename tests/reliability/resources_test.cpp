// Bounded resources: a thousand runs in one process leave no growth of memory or open file
// descriptors behind, and no input drives the stack deeper than a small fixed amount.
#include <malloc.h>
#include <pthread.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "host.h"

namespace vostrel::reliability {
namespace {

using Resources = HostTest;

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

// Resident pages of the process, from /proc/self/statm.
long ResidentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

TEST_F(Resources, AThousandRunsLeaveNothingBehind) {
  script.records["9784000000000"] = RecordPage(
      u8"本の話.第2巻", u8"山田太郎著［ヤマダタロウ］／鈴木一郎訳", u8"一行目<br>二行目");
  WriteFile(workDir_ + "AuthDB.dat", Bytes(u8"|山田太郎|山田太郎|ヤマダ タロウ|注|\r\n"));
  WriteFile(workDir_ + "PubDB.dat", Bytes(u8"|00|青空書房\r\n"));
  WriteFile(workDir_ + "LabelsDB.dat", Bytes(u8"|青空書房||青空文庫\r\n"));
  const std::string list = "9784000000000\r\n9784000000000\r\n";
  auto runs = [&](int n) {
    for (int i = 0; i < n; ++i) {
      ::testing::internal::CaptureStderr();
      Download()(workDir_.c_str(), output_.c_str(), list.c_str());
      ::testing::internal::GetCapturedStderr();
      // The scripted host's own record of the calls must not grow either.
      script.checked.clear();
      script.steps.clear();
    }
  };
  // Warm up: the first runs fill caches of the C library and the conversion tables.
  runs(50);
  const std::size_t fdsBefore = OpenDescriptors();
  const long residentBefore = ResidentKilobytes();
  const std::size_t heapBefore = mallinfo2().uordblks;
  const double seconds = CpuSeconds([&] { runs(1000); });
  const std::size_t fdsAfter = OpenDescriptors();
  const long residentAfter = ResidentKilobytes();
  const std::size_t heapAfter = mallinfo2().uordblks;
  std::printf(
      "  1000 runs: %.2f s; descriptors %zu -> %zu; resident %ld -> %ld KB; heap in use "
      "%zu -> %zu bytes%s\n",
      seconds, fdsBefore, fdsAfter, residentBefore, residentAfter, heapBefore, heapAfter,
      kSanitized ? " (sanitizer build: LeakSanitizer checks the heap at exit)" : "");
  EXPECT_EQ(fdsAfter, fdsBefore);
  const auto lines = OutputLines();
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(lines->size(), 2u);
  if (!kSanitized) {
    // Every byte the runs took from the heap went back: nothing grows with the number of runs.
    EXPECT_LE(heapAfter, heapBefore + 4096);
    EXPECT_LT(residentAfter - residentBefore, 1024);
  }
}

// Runs `work` on a thread whose stack holds only `bytes`; a recursion as deep as its input would
// overflow it.
template <typename Work>
void OnSmallStack(std::size_t bytes, Work work) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, bytes);
  pthread_t thread;
  auto trampoline = [](void* arg) -> void* {
    (*static_cast<Work*>(arg))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, trampoline, &work), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

TEST_F(Resources, DeepInputsRunOnASmallStack) {
  const std::string deep = std::string(1000000, '<') + std::string(1000000, '>');
  const std::string statement(200000, '/');
  script.records["9784000000000"] =
      RecordPage(u8"本", reinterpret_cast<const char8_t*>(deep.c_str()),
                 reinterpret_cast<const char8_t*>(statement.c_str())) +
      deep + "\r\n<!--" + deep + "\r\n";
  WriteFile(workDir_ + "AuthDB.dat", std::string(1000000, '|') + "\r\n");
  // Generous for the sanitizer build's larger frames, tiny next to a million-deep recursion.
  const std::size_t stack = kSanitized ? (1u << 20) : (256u << 10);
  std::string messages;
  OnSmallStack(stack, [&] { messages = Run("9784000000000"); });
  EXPECT_EQ(messages, "");
  const auto lines = OutputLines();
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(lines->size(), 1u);
}

}  // namespace
}  // namespace vostrel::reliability
