// Hostile input at the plug-in's boundary: odd export arguments, huge or malformed ISBN lists,
// record pages and dictionaries. Each run must end normally with a whole output file, in time
// linear in its input.
#include <cstring>
#include <string>
#include <vector>

#include "host.h"

namespace vostrel::reliability {
namespace {

using HostileInput = HostTest;

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string out;
  out.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i)
    out += piece;
  return out;
}

TEST_F(HostileInput, GetInfoWithTinyOrGarbledSizes) {
  const std::string_view texts[] = {"DownlaodFunc", "ISBN検索 Vostrel",
                                    "Tovan based on ORBELT and Rimaso", "1.2.3", "3"};
  struct Case {
    const char* label;
    std::uint32_t size;
    std::size_t limit;  // what the size means: at most this many bytes, NUL included
  };
  const Case cases[] = {
      {"size 1: only the NUL", 1, 1},
      {"garbage in the high half, 1 in the low half", 0xFFFF0001u, 1},
      {"garbage in the high half, 0 in the low half: nothing written", 0xDEAD0000u, 0},
      {"garbage in the high half, 3 in the low half", 0x80000003u, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::vector<char>> buffers(5, std::vector<char>(64, '#'));
    GetInfo()(0xFFFFFFFFu, buffers[0].data(), buffers[1].data(), buffers[2].data(),
              buffers[3].data(), buffers[4].data(), c.size);
    for (std::size_t b = 0; b < 5; ++b) {
      const std::size_t written = std::min(texts[b].size() + 1, c.limit);
      // The cut text and its NUL, and not one byte more.
      for (std::size_t i = 0; i < written; ++i)
        ASSERT_EQ(buffers[b][i], i + 1 == written ? '\0' : texts[b][i]) << "byte " << i;
      for (std::size_t i = written; i < buffers[b].size(); ++i)
        ASSERT_EQ(buffers[b][i], '#') << "byte " << i;
    }
  }
}

TEST_F(HostileInput, NullOrEmptyWorkDirectoryAndOutputPath) {
  script.records["4000000000"] = RecordPage(u8"本");
  // With no work directory the run's files go to the current directory.
  const fs::path previous = fs::current_path();
  fs::create_directories(dir_ / "cwd");
  fs::current_path(dir_ / "cwd");
  struct Case {
    const char* label;
    const char* workDir;
    const char* output;
    bool outputWritten;
  };
  const std::string out = (dir_ / "case-out.txt").string();
  const Case cases[] = {
      {"null work directory", nullptr, out.c_str(), true},
      {"empty work directory", "", out.c_str(), true},
      {"null output path", workDir_.c_str(), nullptr, false},
      {"empty output path", workDir_.c_str(), "", false},
      {"everything null", nullptr, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove(out);
    ::testing::internal::CaptureStderr();
    Download()(c.workDir, c.output, "4000000000");
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(fs::exists(out), c.outputWritten);
    if (c.outputWritten) {
      EXPECT_EQ(ReadFile(out).substr(0, 11), "4000000000,");
    }
  }
  Download()(nullptr, nullptr, nullptr);
  fs::current_path(previous);
}

TEST_F(HostileInput, HugeAndMalformedIsbnLists) {
  script.isbnCheck = [](const char*) -> const char* { return ""; };
  struct Case {
    const char* label;
    std::string list;
    std::size_t checks;          // ISBN checks the host sees
    std::size_t longestChecked;  // the longest text it is handed
  };
  const Case cases[] = {
      {"100,000 lines", Repeat("9784000000000\r\n", 100000), 100000, 13},
      {"lines of 10,000 bytes", Repeat(std::string(10000, '9') + "\n", 50), 50, 10000},
      {"only CR", std::string(1000, '\r'), 1000, 0},
      {"only LF", std::string(1000, '\n'), 1000, 0},
      {"one line of 1,000,000 bytes", std::string(1000000, '4'), 1, 1000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    script.checked.clear();
    std::string messages;
    const double seconds = CpuSeconds([&] { messages = Run(c.list); });
    EXPECT_EQ(messages, "");
    EXPECT_EQ(script.checked.size(), c.checks);
    std::size_t longest = 0;
    for (const std::string& s : script.checked)
      longest = std::max(longest, s.size());
    EXPECT_EQ(longest, c.longestChecked);
    const auto lines = OutputLines();
    ASSERT_TRUE(lines.has_value());
    EXPECT_TRUE(lines->empty());
    RecordProperty(std::string(c.label) + " (s)", std::to_string(seconds));
    std::printf("  %-28s %8.3f s\n", c.label, seconds);
  }
  // A NUL inside the host's text ends it: the plug-in never reads past it.
  script.checked.clear();
  const char withNul[] =
      "4000000000\n\0"
      "4000000001\n";
  Run(withNul);
  EXPECT_EQ(script.checked, std::vector<std::string>{"4000000000"});
}

TEST_F(HostileInput, BarcodeDigitsThatCutACharacter) {
  script.records["4123456789"] = RecordPage(u8"本");
  // An 18-byte line whose classification code (bytes 11-14) ends on the first byte of a
  // double-byte character: the half character must not take the comma after it along.
  EXPECT_EQ(Run("4123456789C\x82\xA0\x82\xA0"
                "980"),
            "");
  const auto lines = OutputLines();  // each line read both ways
  ASSERT_TRUE(lines.has_value());
  ASSERT_EQ(lines->size(), 1u);
  const std::vector<std::string> items = Items(lines->front());
  EXPECT_EQ(items[0], "4123456789");
  EXPECT_EQ(items[10], "C\x82\xA0");
  EXPECT_EQ(items[21],
            "\xA0"
            "980");
}

// The pages and the line of the book they should still give (empty: no book).
TEST_F(HostileInput, HugeAndMalformedRecordPages) {
  const std::string title = Bytes(u8"<b>タイトル</b>");
  const std::string good = RecordPage(u8"本");
  struct Case {
    const char* label;
    std::string page;
    bool found;
  };
  std::vector<Case> cases;
  cases.push_back({"50 MB of ordinary lines",
                   good + Repeat("<tr><td>filler text</td></tr>\r\n", 50u << 20 >> 5), true});
  cases.push_back({"a single line of 5 MB", good + std::string(5u << 20, 'x') + "\r\n", true});
  cases.push_back(
      {"a single 5 MB line of labels", Repeat(title, (5u << 20) / title.size()) + "\r\n", false});
  cases.push_back({"100,000 title labels",
                   Repeat(title + "\r\n<td>" + Bytes(u8"本") + "</td>\r\n", 100000), true});
  cases.push_back(
      {"1,000,000 unmatched <", good + title + "\r\n" + std::string(1000000, '<') + "\r\n", true});
  cases.push_back(
      {"1,000,000 unmatched >", good + title + "\r\n" + std::string(1000000, '>') + "\r\n", true});
  cases.push_back(
      {"nested < > 500,000 deep",
       good + title + "\r\n" + std::string(500000, '<') + std::string(500000, '>') + "\r\n", true});
  cases.push_back({"<!-- never closed",
                   good + title + "\r\n<td><!--" + std::string(100000, 'c') + "\r\n", true});
  cases.push_back({"every label in the last line",
                   Bytes(u8"<html>\r\n<b>タイトル</b>>タイトルよみ<>部分タイトル<責任表示出版事項"
                         u8"出版年>形態/付属資料<>シリーズ<>価格等<NDC>個人著者標目<"
                         u8"<!-- =======  書影 ======= -->>あらすじ<<h2>著者紹介</h2>"),
                   false});
  cases.push_back({"labels that ask for lines past the end",
                   Bytes(u8"<html>\r\n<b>タイトル</b>\r\n<td>本</td>出版年>部分タイトル<"
                         u8"<!-- =======  書影 ======= -->\r\n"),
                   true});
  // Fewer under the sanitizers, whose allocator makes each comparison of the entries slow.
  const int contributors = kBuildSlowdown > 1.0 ? 20000 : 100000;
  std::string rows;
  std::string names;
  for (int i = 0; i < contributors; ++i) {
    const std::string name = "Author" + std::to_string(i);
    rows += Bytes(u8"<tr><th>責任表示</th>\r\n<td>") + name + Bytes(u8"著</td></tr>\r\n");
    names += (i > 0 ? Bytes(u8"／") : "") + name;
  }
  cases.push_back({"statement rows of one contributor each", good + rows, true});
  cases.push_back({"one statement of all those contributors",
                   good + Bytes(u8"<th>責任表示</th>\r\n<td>") + names + "</td>\r\n", true});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    script.records["9784000000000"] = c.page;
    std::string messages;
    const double seconds = CpuSeconds([&] { messages = Run("9784000000000"); });
    EXPECT_EQ(messages, "");
    const auto lines = OutputLines();
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), c.found ? 1u : 0u);
    if (c.found) {
      EXPECT_EQ(Items(lines->front())[0], "9784000000000");
    }
    std::printf("  %-40s %9zu bytes %8.3f s\n", c.label, c.page.size(), seconds);
    // Linear work: well under a second per megabyte.
    EXPECT_LT(seconds,
              kBuildSlowdown * (3.0 + 1.5 * static_cast<double>(c.page.size()) / (1 << 20)));
  }
}

TEST_F(HostileInput, HugeAndMalformedDictionaries) {
  // The dictionaries are code page 932 text, as the user keeps them.
  script.records["9784000000000"] = RecordPage(u8"本", u8"山田太郎著／鈴木一郎訳", u8"あらすじ");
  const std::string pub = std::string("|00|青空書房\r\n");
  struct Case {
    const char* label;
    std::string auth, publishers, labels;
    std::string author1;            // in code page 932; empty: not checked
    std::string publisher, series;  // the same
  };
  std::string many;
  for (int i = 0; i < 200000; ++i)
    many += "|k" + std::to_string(i) + "|name" + std::to_string(i) + "|reading|note|\r\n";
  std::vector<Case> cases;
  cases.push_back({"200,000 lines, no match", many, many, many, "山田太郎", "", ""});
  cases.push_back({"200,000 lines, the match last",
                   many + std::string("|山田太郎|山田 太郎|ﾔﾏﾀﾞ|\r\n"), many + pub,
                   many + "|青空書房||青空文庫\r\n", "山田 太郎", "青空書房", "青空文庫"});
  cases.push_back({"lines without the final bar",
                   std::string("|山田太郎|山田R\r\n|x|y\r\n|鈴木一郎[訳]|S\r\n"),
                   std::string("|00|P"), std::string("|P|"), "山田R$$", "P", ""});
  cases.push_back({"keys that are prefixes of others",
                   std::string("|山田|短い|\r\n|山田太|中|\r\n|山田太郎|長い|\r\n"),
                   std::string("|0|zero\r\n|00|two\r\n|000|three\r\n"), std::string("|two||L\r\n"),
                   "長い", "two", "L"});
  cases.push_back({"one line of 10 MB", std::string(10u << 20, '|'), std::string(10u << 20, '|'),
                   std::string(10u << 20, '|'), "", "", ""});
  cases.push_back({"only separators and line breaks", Repeat("|\r|\n", 100000),
                   Repeat("||\r\n", 100000), Repeat("|\n", 100000), "", "", ""});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WriteFile(workDir_ + "AuthDB.dat", c.auth);
    WriteFile(workDir_ + "PubDB.dat", c.publishers);
    WriteFile(workDir_ + "LabelsDB.dat", c.labels);
    std::string messages;
    const double seconds = CpuSeconds([&] { messages = Run("9784000000000"); });
    EXPECT_EQ(messages, "");
    const auto lines = OutputLines();
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 1u);
    const std::vector<std::string> items = Items(lines->front());
    if (!c.author1.empty()) {
      EXPECT_EQ(items[5], c.author1);
    }
    if (!c.publisher.empty()) {
      EXPECT_EQ(items[12], c.publisher);
    }
    if (!c.series.empty()) {
      EXPECT_EQ(items[13], c.series);
    }
    std::printf("  %-40s %8.3f s\n", c.label, seconds);
    EXPECT_LT(seconds, 10.0);
  }
}

TEST_F(HostileInput, OutputFileWithTheLongestNameTheFileSystemTakes) {
  script.records["9784000000000"] = RecordPage(u8"本");
  // 255 bytes is the longest name of one file; the temporary file's name must not be longer.
  output_ = (dir_ / std::string(255, 'o')).string();
  EXPECT_EQ(Run("9784000000000"), "");
  const auto lines = OutputLines();
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(lines->size(), 1u);
  EXPECT_EQ(LeftoverTemporaryFiles(), std::vector<std::string>{});
}

TEST_F(HostileInput, WorkDirectoryWithoutClosingSeparator) {
  script.records["9784000000000"] = RecordPage(u8"本");
  // File names are appended to the work directory as it stands, so the run's files sit beside
  // the directory, named after it; the run still delivers the book.
  const std::string bare = (dir_ / "work").string();
  WriteFile(bare + "tovan.dat", "CATALOGUE_URL=" + std::string(kBase) + "\r\n");
  ::testing::internal::CaptureStderr();
  Download()(bare.c_str(), output_.c_str(), "9784000000000");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  const auto lines = OutputLines();
  ASSERT_TRUE(lines.has_value());
  ASSERT_EQ(lines->size(), 1u);
  EXPECT_TRUE(fs::exists(bare + "Temp.html"));
}

}  // namespace
}  // namespace vostrel::reliability
