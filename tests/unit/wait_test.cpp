// The wait window's POSIX counterpart: the progress line on standard error, written only when
// standard error is a terminal and cleared when the run ends.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "wait/wait.h"

namespace vostrel {
namespace {

// Points standard error at `fd` while alive.
class StandardErrorTo {
 public:
  explicit StandardErrorTo(int fd) : saved_(dup(STDERR_FILENO)) {
    std::fflush(stderr);
    dup2(fd, STDERR_FILENO);
  }
  StandardErrorTo(const StandardErrorTo&) = delete;
  StandardErrorTo& operator=(const StandardErrorTo&) = delete;
  ~StandardErrorTo() {
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

// A pseudo-terminal in raw mode: what is written to `terminal` is read back from `reader`.
struct PseudoTerminal {
  int reader = -1;
  int terminal = -1;

  PseudoTerminal() {
    reader = posix_openpt(O_RDWR | O_NOCTTY);
    if (reader < 0 || grantpt(reader) != 0 || unlockpt(reader) != 0)
      return;
    const char* name = ptsname(reader);
    if (name == nullptr)
      return;
    terminal = open(name, O_RDWR | O_NOCTTY);
    termios mode;
    if (terminal >= 0 && tcgetattr(terminal, &mode) == 0) {
      cfmakeraw(&mode);
      tcsetattr(terminal, TCSANOW, &mode);
    }
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;
  ~PseudoTerminal() {
    if (terminal >= 0)
      close(terminal);
    if (reader >= 0)
      close(reader);
  }

  // Everything written so far, waiting at most a moment for the first bytes.
  std::string Drain() const {
    std::string out;
    pollfd ready = {reader, POLLIN, 0};
    for (int wait = 200; poll(&ready, 1, wait) > 0 && (ready.revents & POLLIN) != 0; wait = 50) {
      char buffer[512];
      const ssize_t n = read(reader, buffer, sizeof buffer);
      if (n <= 0)
        break;
      out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
  }
};

const std::string kMessage = reinterpret_cast<const char*>(u8"しばらくお待ちください");

TEST(WaitProgressLine, NothingWhenStandardErrorIsNotATerminal) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  {
    StandardErrorTo redirect(fileno(file));
    OpenWaitWindow();
    PumpMessages();
    ShowProgress(1, 3);
    ShowProgress(3, 3);
    CloseWaitWindow();
  }
  std::fseek(file, 0, SEEK_END);
  EXPECT_EQ(std::ftell(file), 0);
  std::fclose(file);
}

TEST(WaitProgressLine, OnATerminal) {
  PseudoTerminal pty;
  ASSERT_GE(pty.terminal, 0) << "no pseudo-terminal";
  struct Case {
    const char* label;
    int current, total;
    std::string bar;  // twenty cells, the share handled before the current ISBN filled
  };
  const Case kCases[] = {
      {"first of four", 1, 4, "...................."},
      {"third of four", 3, 4, "##########.........."},
      {"last of three", 3, 3, "#############......."},
      {"one of one", 1, 1, "...................."},
      {"count past the total", 12, 10, "####################"},
  };
  StandardErrorTo redirect(pty.terminal);
  OpenWaitWindow();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.label);
    ShowProgress(c.current, c.total);
    EXPECT_EQ(pty.Drain(), "\r" + kMessage + " [" + c.bar + "] " + std::to_string(c.current) + "/" +
                               std::to_string(c.total));
  }
  // No total: nothing to show.
  ShowProgress(1, 0);
  EXPECT_EQ(pty.Drain(), "");

  // The end of the run clears the line once.
  CloseWaitWindow();
  EXPECT_EQ(pty.Drain(), "\r\033[K");
  CloseWaitWindow();
  EXPECT_EQ(pty.Drain(), "");
}

TEST(WaitProgressLine, RunWithoutProgressLeavesTheTerminalAlone) {
  PseudoTerminal pty;
  ASSERT_GE(pty.terminal, 0) << "no pseudo-terminal";
  StandardErrorTo redirect(pty.terminal);
  OpenWaitWindow();
  PumpMessages();
  CloseWaitWindow();
  EXPECT_EQ(pty.Drain(), "");
}

}  // namespace
}  // namespace vostrel
