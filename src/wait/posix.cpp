// The wait window's POSIX counterpart: one progress line on standard error, only when it is a
// terminal. There is no window message queue to pump.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "wait/wait.h"

namespace vostrel {

namespace {
bool progressShown = false;
constexpr int kBarWidth = 20;
}  // namespace

void OpenWaitWindow() {
  progressShown = false;
}

void PumpMessages() {}

void ShowProgress(int current, int total) {
  if (total <= 0 || isatty(STDERR_FILENO) == 0)
    return;
  const long long share = (static_cast<long long>(current) - 1) * kBarWidth / total;
  const int filled = static_cast<int>(std::clamp(share, 0LL, static_cast<long long>(kBarWidth)));
  std::string line = "\r";
  // Standard error takes UTF-8.
  line += reinterpret_cast<const char*>(u8"しばらくお待ちください [");
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  line += "] " + std::to_string(current) + "/" + std::to_string(total);
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  progressShown = true;
}

void CloseWaitWindow() {
  if (!progressShown)
    return;
  // Clear the progress line so the messages after the run start on a clean line.
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  progressShown = false;
}

}  // namespace vostrel
