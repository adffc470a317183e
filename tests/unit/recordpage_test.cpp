// The frame of the record page scan: which lines are visited, which value lines the rows take,
// the entity pre-pass, the option file, the stop flag, the end of the scan, and linear time.
#include "recordpage/recordpage.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "cpu_time.h"
#include "recordpage_pages.h"

namespace vostrel {
namespace {

using pages::Cell;
using pages::Filler;
using pages::Join;
using pages::Page;
using pages::Row;
using pages::ScanTest;
using pages::TitleRow;
using pages::YearLine;

const std::string kTitleLabel = "<th><b>タイトル</b></th>";
const std::string kCoverLabel = "<!-- =======  書影 ======= -->";

TEST_F(ScanTest, VisitsLinesOneToNMinusOne) {
  struct Case {
    const char* label;
    Page page;
    bool want;
    std::string title;
  };
  const Case cases[] = {
      {"empty page", {}, false, ""},
      {"one line", {kTitleLabel + Cell("本の話")}, false, ""},
      {"label in the last line", Join({Filler(3), {kTitleLabel}}), false, ""},
      {"label in line N-1", Join({Filler(3), TitleRow("本の話")}), true, "本の話"},
      {"no title row", Join({Row("シリーズ", "青空文庫"), Filler(2)}), false, ""},
      {"empty title cell still counts", TitleRow(""), true, ""},
      {"last title row wins", Join({TitleRow("一"), TitleRow("二")}), true, "二"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    EXPECT_EQ(Scan(c.page, rec), c.want);
    EXPECT_EQ(rec.Title, c.title);
  }
}

TEST_F(ScanTest, MissingPageFileGivesFalse) {
  TBase rec;
  EXPECT_FALSE(ParseRecordPage(WorkDir + "absent.html", rec));
}

TEST_F(ScanTest, LinesBreakAtEveryLineEndKind) {
  struct Case {
    const char* label;
    std::string bytes;
  };
  const std::string label = "<b>タイトル</b>";
  const Case cases[] = {
      {"LF", label + "\n" + Cell("本の話")},
      {"lone CR", label + "\r" + Cell("本の話") + "\r"},
      {"CR LF, no final break", label + "\r\n" + Cell("本の話")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    EXPECT_TRUE(ScanBytes(c.bytes, rec));
    EXPECT_EQ(rec.Title, "本の話");
  }
  TBase rec;
  EXPECT_FALSE(ScanBytes(label + std::string("\0\n", 2) + Cell("本の話"), rec))
      << "a NUL byte ends the page";
}

// Every prefix of a page, cut at any byte, is scanned without reading past its end; the result
// is true exactly when the prefix reaches beyond the title label's line break.
TEST_F(ScanTest, EveryPrefixOfAPageIsScannedSafely) {
  const Page page = Join({Row("タイトルよみ", "ホン"),
                          {"<th>出版年</th>", YearLine("2005.3")},
                          {kCoverLabel},
                          TitleRow("本の話:副.第3巻(副題)"),
                          Row("部分タイトル", "部分"),
                          Row("責任表示", "山田太郎著;鈴木一郎訳"),
                          Row("出版事項", "東京:青空書房,2005.3"),
                          Row("形態/付属資料", "232p;20cm"),
                          Row("個人著者標目", "山田, 太郎&nbsp;||ヤマダ, タロウ"),
                          {"<img src=\"/covers/1.jpg\">"},
                          Row("あらすじ", "あらすじ<br>です"),
                          {"<h2>著者紹介</h2>", "紹介"}});
  const std::string text = pages::CrLfText(page);
  const std::size_t titleBreak = text.find("<b>タイトル</b>");
  const std::size_t valueStart = text.find("\r\n", titleBreak) + 2;
  for (std::size_t n = 0; n <= text.size(); ++n) {
    SCOPED_TRACE("prefix of " + std::to_string(n) + " bytes");
    TBase rec;
    ASSERT_EQ(ScanBytes(text.substr(0, n), rec), n > valueStart);
  }
}

// A value line the page does not have counts as absent: the row does not run (the year row
// runs on what it found, or on nothing).
TEST_F(ScanTest, LabelsNearTheEndTakeOnlyTheLinesThePageHas) {
  const std::string imageLine = "<img src=\"/covers/new.jpg\">";
  struct Case {
    const char* label;
    Page page;
    std::string subtitle, pubYear, pubMonth, coverUrl;
  };
  const Page head = Join({TitleRow("本の話"), Row("出版事項", "東京:青空書房,1999.1")});
  const Case cases[] = {
      {"partial title within the last 4 lines",
       Join({head, {"<th>部分タイトル</th>", Cell("A"), "<tr>", Cell("B")}}), "A-B", "1999", "1",
       "/old.jpg"},
      {"year within the last 10 lines",
       Join({head, {"<th>出版年</th>", "<tr>", YearLine("2005.3"), "</tr>"}}), "", "2005", "3",
       "/old.jpg"},
      {"year within the last 10 lines, no font line",
       Join({head, {"<th>出版年</th>", "<tr>", "</tr>"}}), "", "", "", "/old.jpg"},
      {"cover within the last 14 lines", Join({head, {kCoverLabel}, Filler(12), {imageLine}}), "",
       "1999", "1", "/old.jpg"},
      {"cover 14 lines before the end", Join({head, {kCoverLabel}, Filler(13), {imageLine}}), "",
       "1999", "1", "/covers/new.jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    rec.CoverUrl = "/old.jpg";
    EXPECT_TRUE(Scan(c.page, rec));
    EXPECT_EQ(rec.Subtitle, c.subtitle);
    EXPECT_EQ(rec.PubYear, c.pubYear);
    EXPECT_EQ(rec.PubMonth, c.pubMonth);
    EXPECT_EQ(rec.CoverUrl, c.coverUrl);
  }
}

TEST_F(ScanTest, TwoLabelsInOneLineRunBothInTableOrder) {
  // The title row runs before the partial-title row on the same value line: the partial title
  // is appended to the subtitle the title row has just set.
  TBase rec;
  EXPECT_TRUE(Scan({"<th><b>タイトル</b></th><th>部分タイトル</th>", Cell("本の話.続編")}, rec));
  EXPECT_EQ(rec.Title, "本の話");
  EXPECT_EQ(rec.Subtitle, "続編-本の話.続編");

  // Each row takes its own value line: the publication row the next line, the cover row the
  // fourteenth.
  TBase both;
  EXPECT_TRUE(Scan(Join({TitleRow("本の話"),
                         {kCoverLabel + "<th>出版事項</th>", Cell("東京:青空書房,2005.3")},
                         Filler(12),
                         {"<img src=\"/covers/1.jpg\">"}}),
                   both));
  EXPECT_EQ(both.Publisher, "青空書房");
  EXPECT_EQ(both.CoverUrl, "/covers/1.jpg");
}

TEST_F(ScanTest, EntitiesAreDecodedBeforeTheRowsReadThePage) {
  // The author introduction keeps its markup, so it shows what the rules receive. The label
  // itself is written with entities and is found after decoding.
  TBase rec;
  EXPECT_TRUE(Scan(Join({TitleRow("本の話"),
                         {"&lt;h2&gt;著者紹介&lt;/h2&gt;",
                          "a&amp;lt;b&amp;nbsp;c&quot;d&amp;quot;e&gt;f&nbsp;g&amp;amp;h"}}),
                   rec));
  EXPECT_EQ(rec.Summary, "著者紹介：\r\na<b&nbsp;c”d”e>f&nbsp;g&amp;h");
}

TEST_F(ScanTest, OptionFileEnablesTheNdcRow) {
  struct Case {
    const char* label;
    bool hasFile;
    Page option;
    std::string ndc;
  };
  const Case cases[] = {
      {"no option file", false, {}, ""},
      {"on", true, {"TOSYO1=1"}, "913.6"},
      {"off, then on", true, {"TOSYO1=0", "TOSYO1=1"}, "913.6"},
      {"on, then off", true, {"TOSYO1=1", "TOSYO1=0"}, "913.6"},
      {"other keys around", true, {"CATALOGUE_URL=http://127.0.0.1", "TOSYO1=1"}, "913.6"},
      {"every TOSYO1= removed", true, {"TOSYO1=TOSYO1=1"}, "913.6"},
      {"trailing space", true, {"TOSYO1=1 "}, ""},
      {"prefixed key", true, {"XTOSYO1=1"}, ""},
      {"value 0", true, {"TOSYO1=0"}, ""},
      {"no key", true, {"1"}, ""},
  };
  const Page page = Join({TitleRow("本の話"), Row("NDC", "913.6")});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::filesystem::remove(WorkDir + "tovan.dat");
    if (c.hasFile)
      WriteOption(c.option);
    TBase rec;
    EXPECT_TRUE(Scan(page, rec));
    EXPECT_EQ(rec.Ndc, c.ndc);
  }
}

TEST_F(ScanTest, StopFlagEndsTheLoopBeforeTheNextLine) {
  const Page page = Join({TitleRow("本の話"), Row("シリーズ", "青空文庫")});
  StopRequested = 1;
  TBase stopped;
  EXPECT_FALSE(Scan(page, stopped));
  EXPECT_EQ(stopped.Title, "");
  EXPECT_EQ(stopped.Series, "");

  StopRequested = 0;
  TBase rec;
  EXPECT_TRUE(Scan(page, rec));
  EXPECT_EQ(rec.Series, "青空文庫");
}

TEST_F(ScanTest, NothingAfterTheAuthorIntroductionIsRead) {
  TBase rec;
  EXPECT_TRUE(Scan(Join({TitleRow("本の話"),
                         {"<h2>著者紹介</h2>", "紹介"},
                         TitleRow("別の本"),
                         Row("シリーズ", "青空文庫"),
                         Row("あらすじ", "あらすじ"),
                         {"<h2>著者紹介</h2>", "二度目"}}),
                   rec));
  EXPECT_EQ(rec.Title, "本の話");
  EXPECT_EQ(rec.Series, "");
  EXPECT_EQ(rec.Summary, "著者紹介：\r\n紹介");
}

TEST_F(ScanTest, PostPassRunsOnlyWhenATitleRowWasMet) {
  WriteMarker();
  const Page rows = Join({Row("責任表示", "山田太郎著"), Row("あらすじ", "　あらすじ　")});

  TBase failed;
  EXPECT_FALSE(Scan(rows, failed));
  EXPECT_EQ(failed.Summary, "　あらすじ　") << "rows already read keep their values";
  EXPECT_EQ(failed.Author1, "") << "no author assignment";
  EXPECT_EQ(failed.Audience, "") << "no marker overrides";

  TBase rec;
  EXPECT_TRUE(Scan(Join({TitleRow("本の話"), rows}), rec));
  EXPECT_EQ(rec.Summary, "あらすじ");
  EXPECT_EQ(rec.Author1, "山田太郎");
  EXPECT_EQ(rec.Audience, "全年齢");
}

// --- linear time --------------------------------------------------------------------------

// Generous bounds: a linear scan of these pages takes a second or two, a few seconds with the
// sanitizers; work that grows with the square of a page, a line or a field takes minutes.
constexpr double kSecondsBound = testing::kBuildSlowdown > 1.0 ? 30.0 : 10.0;

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i)
    text += piece;
  return text;
}

TEST_F(ScanTest, APageOfFiftyThousandRowsIsScannedInLinearTime) {
  // One title row, then 2,500 blocks of forty lines holding every other kind of row: 100,000
  // lines, 50,000 label and value pairs.
  const Page block = Join({Row("タイトルよみ", "ホン&nbsp;ノ ハナシ"),
                           Row("部分タイトル", "部分"),
                           Filler(3),
                           Row("責任表示", "山田, 太郎著;鈴木一郎訳"),
                           Row("出版事項", "東京 : 青空書房&amp;社, 2005.3"),
                           {"<th>出版年</th>", YearLine("2005.12.24")},
                           Row("形態/付属資料", "232p ; 20cm + CD1枚"),
                           Row("シリーズ", "青空文庫 ; 12"),
                           Row("価格等", "1,500円"),
                           Row("NDC", "913.6"),
                           Row("個人著者標目", "山田, 太郎&nbsp;||ヤマダ, タロウ"),
                           {kCoverLabel},
                           Row("あらすじ", "&quot;あらすじ&quot;<br>つづき&lt;b&gt;"),
                           Filler(11),
                           {"<img src=\"/covers/1.jpg\">"},
                           Filler(2)});
  ASSERT_EQ(block.size(), 40u);
  constexpr std::size_t kBlocks = 2500;
  Page page = TitleRow("本の話:もう一つの話.第2巻(副題)");
  page.reserve(block.size() * kBlocks + 4);
  for (std::size_t i = 0; i < kBlocks; ++i)
    page.insert(page.end(), block.begin(), block.end());
  page.push_back("<h2>著者紹介</h2>");
  page.push_back("紹介");
  const std::string text = pages::CrLfText(page);
  ASSERT_GT(text.size(), 3'000'000u);

  WriteOption({"TOSYO1=1"});
  TBase rec;
  bool found = false;
  const double seconds = testing::CpuSeconds([&] { found = ScanBytes(text, rec); });
  EXPECT_TRUE(found);
  EXPECT_LT(seconds, kSecondsBound);
  // Every partial title was appended: the text after "." plus one "-部分" per block.
  EXPECT_EQ(rec.Subtitle.size(),
            std::string("副題").size() + kBlocks * std::string("-部分").size());
  EXPECT_EQ(rec.Title, "本の話 : もう一つの話");
  EXPECT_EQ(rec.Series, "青空文庫;12");
  EXPECT_EQ(rec.CoverUrl, "/covers/1.jpg");
  EXPECT_EQ(rec.Summary, "”あらすじ”\r\nつづき著者紹介：\r\n紹介");
}

TEST_F(ScanTest, MegabyteLinesAreScannedInLinearTime) {
  const std::string line = Repeat("&amp;lt;b&amp;gt;本&nbsp;の,話 <br>&quot;||", 25'000);
  ASSERT_GT(line.size(), 1'000'000u);

  // One line without a break: never visited, but loaded and decoded.
  TBase single;
  bool found = true;
  double seconds = testing::CpuSeconds([&] { found = ScanBytes(kTitleLabel + line, single); });
  EXPECT_FALSE(found);
  EXPECT_LT(seconds, kSecondsBound);

  // The same line as the value of every row that takes one, and as a label line.
  const Page page = {kTitleLabel,
                     line,
                     "<th>タイトルよみ</th>",
                     Cell(line),
                     "<th>部分タイトル</th>",
                     Cell(line),
                     Cell(line),
                     "<th>責任表示</th>",
                     Repeat("山田", 125'000) + "著;" + Repeat("鈴木", 125'000) + "訳",
                     "<th>出版事項</th>",
                     line,
                     "<th>個人著者標目</th>",
                     line,
                     "<th>あらすじ</th>",
                     line,
                     kCoverLabel + line,
                     "<h2>著者紹介</h2>",
                     line};
  TBase rec;
  found = false;
  seconds = testing::CpuSeconds([&] { found = Scan(page, rec); });
  EXPECT_TRUE(found);
  EXPECT_LT(seconds, kSecondsBound);
  // The value lines reached the rules whole, decoded.
  EXPECT_EQ(rec.Author1, Repeat("山田", 125'000));
  EXPECT_EQ(rec.Author2, Repeat("鈴木", 125'000) + " [訳]");
  EXPECT_EQ(rec.Title, Repeat("本の,話”||", 25'000));
  const std::string introduction = "著者紹介：\r\n" + Repeat("<b>本&nbsp;の,話 \r\n”||", 25'000);
  ASSERT_GT(rec.Summary.size(), introduction.size());
  EXPECT_EQ(rec.Summary.substr(rec.Summary.size() - introduction.size()), introduction);
}

// Fields that collect text from many rows (the subtitle from partial titles, the statement log)
// grow by appending, never by copying what they already hold.
TEST_F(ScanTest, FieldsCollectedOverManyRowsGrowInLinearTime) {
  const std::string part = Repeat("部", 50);
  const std::string statement = Repeat("山", 48) + "著";
  constexpr std::size_t kLabels = 12'500;
  Page page = TitleRow("本の話");
  page.reserve(kLabels * 7 + 2);
  for (std::size_t i = 0; i < kLabels; ++i) {
    page.insert(page.end(), {"<th>部分タイトル</th>", Cell(part), Cell(part), Cell(part),
                             Cell(part), "<th>責任表示</th>", statement});
  }
  TBase rec;
  bool found = false;
  const double seconds = testing::CpuSeconds([&] { found = Scan(page, rec); });
  EXPECT_TRUE(found);
  EXPECT_LT(seconds, kSecondsBound);
  EXPECT_EQ(rec.Subtitle.size(), kLabels * 4 * (part.size() + 1) - 1);
  EXPECT_EQ(rec.OtherContributors.size(), kLabels * (statement.size() + 2));
}

}  // namespace
}  // namespace vostrel
