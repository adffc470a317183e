// Injected faults: the host's calls failing or answering garbage at each step, an output file
// that cannot be written, a full disk, a dictionary or temporary file that cannot be read or
// replaced. Every run ends normally; the books already found are delivered in a whole file, or
// no file is left; never a truncated one.
#include <signal.h>
#include <sys/resource.h>

#include <random>
#include <string>
#include <vector>

#include "host.h"

namespace vostrel::reliability {
namespace {

const std::vector<std::string> kIsbns = {"9784000000001", "9784000000002", "9784000000003"};
const char* const kList = "9784000000001\r\n9784000000002\r\n9784000000003\r\n";

class Faults : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    for (const std::string& isbn : kIsbns)
      script.records[isbn] = RecordPage(u8"本", u8"山田太郎著");
  }

  // The ISBN whose exchange is under way: the last one the host was asked to check.
  static std::string Current() { return script.checked.empty() ? "" : script.checked.back(); }

  // The first item of each output line.
  std::vector<std::string> IsbnsWritten() {
    std::vector<std::string> isbns;
    const auto lines = OutputLines();
    if (lines) {
      for (const std::string& line : *lines)
        isbns.push_back(Items(line)[0]);
    }
    return isbns;
  }
};

std::string Garbage(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes)
    b = static_cast<char>(random() & 0xFF);
  return bytes;
}

TEST_F(Faults, HostDownloadsFailingOrAnsweringGarbageAtEachStep) {
  enum class Answer { NoFile, NoFileButSuccess, Empty, Garbage, AllFF, Nuls, FileButFailure };
  struct Case {
    const char* label;
    Answer answer;
    bool secondFound;  // whether the second book still comes through
  };
  const Case cases[] = {
      {"no file, failure", Answer::NoFile, false},
      {"no file, but success", Answer::NoFileButSuccess, false},
      {"an empty file", Answer::Empty, false},
      {"64 KB of random bytes", Answer::Garbage, false},
      {"1 MB of 0xFF", Answer::AllFF, false},
      {"only NUL bytes", Answer::Nuls, false},
      {"the right file, but failure", Answer::FileButFailure, true},
  };
  for (Step at : {Step::Login, Step::Visit, Step::Record}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.label) + " at step " + std::to_string(static_cast<int>(at)));
      script.checked.clear();
      script.download = [&](Step step, const std::string& path, const std::string& url) {
        if (step != at || Current() != kIsbns[1])
          return CatalogueAnswer(step, path, url);
        switch (c.answer) {
          case Answer::NoFile:
            return 0;
          case Answer::NoFileButSuccess:
            return 1;
          case Answer::Empty:
            WriteFile(path, "");
            return 1;
          case Answer::Garbage:
            WriteFile(path, Garbage(64 << 10, 7));
            return 1;
          case Answer::AllFF:
            WriteFile(path, std::string(1 << 20, '\xFF'));
            return 1;
          case Answer::Nuls:
            WriteFile(path, std::string(4096, '\0'));
            return 1;
          case Answer::FileButFailure:
            CatalogueAnswer(step, path, url);
            return 0;
        }
        return 0;
      };
      EXPECT_EQ(Run(kList), "");
      std::vector<std::string> want = {kIsbns[0], kIsbns[2]};
      if (c.secondFound)
        want = kIsbns;
      EXPECT_EQ(IsbnsWritten(), want);
      EXPECT_EQ(LeftoverTemporaryFiles(), std::vector<std::string>{});
    }
  }
}

TEST_F(Faults, HostChecksAndConnectivity) {
  struct Case {
    const char* label;
    std::function<bool(const std::string&)> connect;
    std::function<const char*(const char*)> isbnCheck;
    std::vector<std::string> written;
    bool offlineMessage;
  };
  static std::string huge(100000, '9');
  const Case cases[] = {
      {"ISBN check answers null for the second",
       nullptr,
       [](const char* isbn) -> const char* {
         return std::string(isbn) == kIsbns[1] ? nullptr : isbn;
       },
       {kIsbns[0], kIsbns[2]},
       false},
      {"ISBN check answers 100,000 bytes",
       nullptr,
       [](const char*) -> const char* { return huge.c_str(); },
       {},
       false},
      {"ISBN check answers bytes that are no ISBN",
       nullptr,
       [](const char*) -> const char* { return "\x81\xFF\"<>&?=\x01"; },
       {},
       false},
      {"offline at the third: the two found are kept",
       [](const std::string&) { return script.checked.size() < 3; },
       nullptr,
       {kIsbns[0], kIsbns[1]},
       true},
      {"offline from the start", [](const std::string&) { return false; }, nullptr, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    script.checked.clear();
    script.connect = c.connect;
    script.isbnCheck = c.isbnCheck;
    const std::string messages = Run(kList);
    EXPECT_EQ(
        messages.find(std::string(kBase) + "/F?func=file&file_name=login&?RN") != std::string::npos,
        c.offlineMessage)
        << messages;
    EXPECT_EQ(IsbnsWritten(), c.written);
  }
}

TEST_F(Faults, OutputPathThatCannotBeWritten) {
  WriteFile(dir_ / "a-file", "not a directory");
  fs::create_directories(dir_ / "a-directory" / "inside");
  struct Case {
    const char* label;
    fs::path output;
  };
  const Case cases[] = {
      {"directory missing", dir_ / "missing" / "out.txt"},
      {"parent is a file", dir_ / "a-file" / "out.txt"},
      {"the path is a directory", dir_ / "a-directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    output_ = c.output.string();
    const std::string messages = Run(kList);
    // The failure is shown, naming the file; nothing half-written stays behind.
    EXPECT_NE(messages.find(c.output.string()), std::string::npos) << messages;
    EXPECT_FALSE(fs::is_regular_file(c.output));
    EXPECT_EQ(LeftoverTemporaryFiles(), std::vector<std::string>{});
  }
  EXPECT_TRUE(fs::is_directory(dir_ / "a-directory" / "inside"));
}

// Files larger than the limit cannot be written, as on a full disk: writes fail with EFBIG.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

TEST_F(Faults, DiskFullWhileTheOutputIsWritten) {
  // Three books of about 30 KB each: every page fits, the output of 90 KB does not.
  const std::u8string synopsis(30000, u8'x');
  for (const std::string& isbn : kIsbns)
    script.records[isbn] = RecordPage(u8"本", u8"山田太郎著", synopsis);
  WriteFile(output_, "an earlier run's lines\r\n");
  std::string messages;
  {
    FileSizeLimit limit(64 << 10);
    messages = Run(kList);
  }
  EXPECT_NE(messages.find(output_), std::string::npos) << messages;
  // The earlier file was removed when the run began; the new one could not be written whole,
  // so there is none, and no temporary file either.
  EXPECT_FALSE(fs::exists(output_));
  EXPECT_EQ(LeftoverTemporaryFiles(), std::vector<std::string>{});

  // Within the limit the same run writes all three.
  {
    FileSizeLimit limit(1 << 20);
    EXPECT_EQ(Run(kList), "");
  }
  EXPECT_EQ(IsbnsWritten(), kIsbns);
}

TEST_F(Faults, FilesThatExistButCannotBeReadOrReplaced) {
  struct Case {
    const char* label;
    const char* name;  // in the work directory; made a directory when the second book starts
    std::vector<std::string> written;
  };
  // The dictionaries are read before the ISBN check, so the third book is the first to fail on
  // them; the option file and the pages fail the second.
  const Case cases[] = {
      {"author dictionary", "AuthDB.dat", {kIsbns[0], kIsbns[1]}},
      {"publisher dictionary", "PubDB.dat", {kIsbns[0], kIsbns[1]}},
      {"label dictionary", "LabelsDB.dat", {kIsbns[0], kIsbns[1]}},
      {"option file", "tovan.dat", {kIsbns[0]}},
      {"decoded page", "Temp.html", {kIsbns[0]}},
      {"fetched page", "Temp2.txt", {kIsbns[0]}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    script.checked.clear();
    const fs::path blocked = workDir_ + c.name;
    const std::string saved = fs::is_regular_file(blocked) ? ReadFile(blocked) : "";
    script.isbnCheck = [&](const char* isbn) -> const char* {
      if (isbn == kIsbns[1]) {
        // A directory that cannot be removed stands where a file is expected from now on.
        fs::remove(blocked);
        fs::create_directories(blocked / "inside");
      }
      return isbn;
    };
    const std::string messages = Run(kList);
    // The run ends with the failure shown; the books found before it are delivered.
    EXPECT_NE(messages.find(c.name), std::string::npos) << messages;
    EXPECT_EQ(IsbnsWritten(), c.written);
    fs::remove_all(blocked);
    if (!saved.empty())
      WriteFile(blocked, saved);
  }
}

}  // namespace
}  // namespace vostrel::reliability
