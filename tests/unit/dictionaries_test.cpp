#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "contributors/contributors.h"
#include "platform/platform.h"

namespace vostrel {
namespace {

namespace fs = std::filesystem;

// A fresh work directory per test; its path ends with a separator, as WorkDir does.
class DictionaryFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // A random part keeps test binaries of several checkouts running at once apart.
    std::random_device random;
    root_ = fs::temp_directory_path() / (std::string("vostrel-dict-") + info->test_suite_name() +
                                         "-" + info->name() + "-" + std::to_string(random()));
    ASSERT_TRUE(fs::create_directories(root_));
    dir_ = root_.string() + "/";
  }
  void TearDown() override {
    FreeAuthorDictionary();
    FreeLabelDictionary();
    fs::remove_all(root_);
  }

  // Writes the bytes as the named file of the work directory.
  void Write(const std::string& name, std::string_view bytes) const {
    platform::WriteWholeFile(dir_ + name, bytes);
  }
  // Writes the lines with CR LF after each; nullopt removes the file.
  void WriteLines(const std::string& name,
                  const std::optional<std::vector<std::string>>& lines) const {
    if (!lines) {
      fs::remove(dir_ + name);
      return;
    }
    std::string bytes;
    for (const std::string& line : *lines)
      bytes += line + "\r\n";
    Write(name, bytes);
  }

  fs::path root_;
  std::string dir_;
};

using LoadDictionaryTest = DictionaryFilesTest;

TEST_F(LoadDictionaryTest, ReadsLinesAndJoinsThemWithCrLf) {
  using namespace std::string_literals;
  struct Case {
    const char* label;
    std::string bytes;
    std::size_t lines;
    std::string text;
  };
  const Case cases[] = {
      {"CR LF", "|a|A\r\n|b|B\r\n", 2, "|a|A\r\n|b|B\r\n"},
      {"LF, no final break", "|a|A\n|b|B", 2, "|a|A\r\n|b|B\r\n"},
      {"lone CR", "|a|A\r|b|B\r", 2, "|a|A\r\n|b|B\r\n"},
      {"mixed, empty line kept", "a\r\n\nb\r", 3, "a\r\n\r\nb\r\n"},
      {"NUL ends the content", "a\r\nb\0c\r\nd"s, 2, "a\r\nb\r\n"},
      {"empty file", "", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Write("AuthDB.dat", c.bytes);
    const Dictionary d = LoadDictionary(dir_ + "AuthDB.dat");
    EXPECT_EQ(d.lineCount, c.lines);
    EXPECT_EQ(d.text, c.text);
  }
}

TEST_F(LoadDictionaryTest, MissingFileIsEmptyAndUnreadableFileThrows) {
  const Dictionary missing = LoadDictionary(dir_ + "AuthDB.dat");
  EXPECT_EQ(missing.lineCount, 0u);
  EXPECT_EQ(missing.text, "");

  // A directory exists at the path but cannot be read as a file (the tests run as root, so
  // file permissions would not stop the read).
  fs::create_directory(dir_ + "LabelsDB.dat");
  EXPECT_THROW(LoadDictionary(dir_ + "LabelsDB.dat"), platform::SystemError);
  EXPECT_THROW(LoadLabelDictionary(dir_), platform::SystemError);
}

TEST_F(LoadDictionaryTest, GlobalDictionariesAreReplacedAndFreed) {
  WriteLines("AuthDB.dat", std::vector<std::string>{"|山田|山田太郎|"});
  WriteLines("LabelsDB.dat", std::vector<std::string>{"|青葉書房||青葉文庫", "|x||y"});
  LoadAuthorDictionary(dir_);
  LoadLabelDictionary(dir_);
  EXPECT_EQ(AuthorDict.lineCount, 1u);
  EXPECT_EQ(AuthorDict.text, "|山田|山田太郎|\r\n");
  EXPECT_EQ(LabelDict.lineCount, 2u);
  EXPECT_EQ(LabelDict.text, "|青葉書房||青葉文庫\r\n|x||y\r\n");

  // Loading again after the file is gone leaves nothing of the previous content.
  WriteLines("AuthDB.dat", std::nullopt);
  LoadAuthorDictionary(dir_);
  EXPECT_EQ(AuthorDict.lineCount, 0u);
  EXPECT_EQ(AuthorDict.text, "");

  FreeLabelDictionary();
  EXPECT_EQ(LabelDict.lineCount, 0u);
  EXPECT_EQ(LabelDict.text, "");
}

using LookupPublisherTest = DictionaryFilesTest;

TEST_F(LookupPublisherTest, FindsThePublisherCodeInsideTheIsbn) {
  // A record that finds nothing keeps this value.
  const std::string unchanged = "(前の値)";
  struct Case {
    const char* label;
    std::optional<std::vector<std::string>> lines;  // nullopt: no PubDB.dat
    std::string isbn, want;
  };
  const Case cases[] = {
      {"ISBN-13 code from position 5",
       {{"|05|緑書店", "|06|青葉書房"}},
       "9784061234567",
       "青葉書房"},
      {"ISBN-10 code from position 2", {{"|05|緑書店", "|06|青葉書房"}}, "4061234567", "青葉書房"},
      {"ISBN-13 beginning 979", {{"|06|青葉書房"}}, "9794061234567", "青葉書房"},
      {"final bar kept in the name", {{"|06|青葉書房|"}}, "9784061234567", "青葉書房|"},
      {"shortest key wins over file order", {{"|062|B", "|06|A"}}, "9784062123456", "A"},
      {"longer key when no shorter one is listed", {{"|0621|C", "|06212|D"}}, "4062123456", "C"},
      {"six-digit code", {{"|062123|E"}}, "9784062123456", "E"},
      {"no code longer than six digits", {{"|0621234|F"}}, "9784062123456", unchanged},
      {"key found inside an earlier line", {{"|11|A|06|B", "|06|C"}}, "4061234567", "B"},
      {"other first digit", {{"|06|青葉書房", "|23|X"}}, "1234567890", unchanged},
      {"18-byte list line: the first ten bytes matter", {{"|06|A"}}, "406123456719201200", "A"},
      {"no matching code", {{"|07|緑書店"}}, "9784061234567", unchanged},
      {"missing PubDB.dat", std::nullopt, "9784061234567", unchanged},
      {"empty ISBN", {{"|06|A"}}, "", unchanged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WriteLines("PubDB.dat", c.lines);
    TBase rec;
    rec.Isbn = c.isbn;
    rec.Publisher = unchanged;
    LookupPublisher(dir_, rec);
    EXPECT_EQ(rec.Publisher, c.want);
    EXPECT_EQ(rec.Isbn, c.isbn);
  }
}

TEST_F(LookupPublisherTest, UnreadableFileThrows) {
  fs::create_directory(dir_ + "PubDB.dat");
  TBase rec;
  rec.Isbn = "9784061234567";
  EXPECT_THROW(LookupPublisher(dir_, rec), platform::SystemError);
}

using LookupLabelTest = DictionaryFilesTest;

TEST_F(LookupLabelTest, ReplacesTheSeriesWithItsLabel) {
  struct Case {
    const char* label;
    std::optional<std::vector<std::string>> lines;  // nullopt: no LabelsDB.dat
    std::string publisher, series, want;
  };
  const Case cases[] = {
      {"publisher and series key",
       {{"|青葉書房|ABC叢書|青葉ABC叢書"}},
       "青葉書房",
       "ＡＢＣ　叢書",
       "青葉ABC叢書"},
      {"katakana series key",
       {{"|青葉書房|ﾐﾗｲﾉ-ﾄ|ミライノート文庫"}},
       "青葉書房",
       "ミライ・ノート",
       "ミライノート文庫"},
      {"publisher must match exactly",
       {{"|（株）青葉書房|ABC叢書|X"}},
       "青葉書房",
       "ABC叢書",
       "ABC叢書"},
      {"publisher case counts", {{"|Aoba|ABC|X"}}, "AOBA", "ABC", "ABC"},
      {"a series does not take the empty-key line",
       {{"|青葉書房||青葉文庫"}},
       "青葉書房",
       "ABC叢書",
       "ABC叢書"},
      {"nothing after the key clears the series",
       {{"|青葉書房|ABC叢書|"}},
       "青葉書房",
       "ABC叢書",
       ""},
      {"first matching line wins",
       {{"|青葉書房|ABC|1", "|青葉書房|ABC|2"}},
       "青葉書房",
       "ABC",
       "1"},
      {"empty series key for a book without series",
       {{"|青葉書房||青葉文庫"}},
       "青葉書房",
       "",
       "青葉文庫"},
      // The last two rows follow one whose file labels this book: nothing of it may remain.
      {"no lines", std::vector<std::string>{}, "青葉書房", "", ""},
      {"missing LabelsDB.dat", std::nullopt, "青葉書房", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WriteLines("LabelsDB.dat", c.lines);
    LoadLabelDictionary(dir_);
    TBase rec;
    rec.Publisher = c.publisher;
    rec.Series = c.series;
    LookupLabel(rec);
    EXPECT_EQ(rec.Series, c.want);
    EXPECT_EQ(rec.Publisher, c.publisher);
  }
}

}  // namespace
}  // namespace vostrel
