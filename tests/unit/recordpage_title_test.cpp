// Title rows of the record page: the title cell split at "." and ":", the reading, the partial
// titles, and where the text after ":" ends up.
#include <gtest/gtest.h>

#include <string>

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

// Field values are those the scan leaves; the run reduces VolumeNo to its digits later.
struct TitleWant {
  std::string title, subtitle, volume;
};

TEST_F(ScanTest, TitleCellIsSplitAtDotAndColon) {
  struct Case {
    const char* label;
    std::string cell;
    TitleWant want;
  };
  const Case cases[] = {
      {"no sign", "本の話", {"本の話", "", ""}},
      // "." alone: a volume designation or a subtitle after it.
      {"volume digit", "本の話.3", {"本の話", "", "3"}},
      {"volume word", "本の話.上", {"本の話", "", "上"}},
      {"volume with digits kept whole", "本の話.第３巻", {"本の話", "", "第3巻"}},
      {"subtitle", "本の話.続編", {"本の話", "続編", ""}},
      {"volume in parentheses", "本の話.続編(2)", {"本の話", "", "2"}},
      {"subtitle in parentheses", "本の話.第2部(副題)", {"本の話", "副題", "2"}},
      {"subtitle in parentheses, no digit", "本の話.上(副題)", {"本の話", "副題", "0"}},
      {"trailing dot", "本の話.", {"本の話", "", ""}},
      {"full-width parentheses are text", "本の話.上（副題）", {"本の話", "上（副題）", ""}},
      // ":" alone: the tail becomes the subtitle.
      {"colon", "本の話:もう一つの話", {"本の話", "もう一つの話", ""}},
      // Both signs.
      {"colon, then volume", "本の話:もう一つの話.2", {"本の話", "もう一つの話", "2"}},
      {"colon, then volume reduced to digits", "本の話:副.第３巻", {"本の話", "副", "3"}},
      {"colon, then subtitle", "本の話:副.続", {"本の話 : 副", "続", ""}},
      {"colon, then volume and subtitle",
       "本の話:副.第3巻(副題)",
       {"本の話 : 副", "副題", "第3巻"}},
      {"colon after the dot", "本の話.上:副", {"本の話", "上:副", ""}},
      // Cleaning of the cell.
      {"spaces removed", "The Book", {"TheBook", "", ""}},
      {"full-width spaces removed", "本の話　上巻", {"本の話上巻", "", ""}},
      {"markup and no-break spaces removed", "<b>本の</b>&nbsp;話", {"本の話", "", ""}},
      {"double quotes made full-width", "\"本\"&quot;話&quot;", {"”本””話”", "", ""}},
      {"tab removed", "本の\t話", {"本の話", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    EXPECT_TRUE(Scan(TitleRow(c.cell), rec));
    EXPECT_EQ(rec.Title, c.want.title);
    EXPECT_EQ(rec.Subtitle, c.want.subtitle);
    EXPECT_EQ(rec.VolumeNo, c.want.volume);
  }
}

// Parts after "." are cut at 100 bytes before they are judged.
TEST_F(ScanTest, TitleTailsAreCutAtOneHundredBytes) {
  const std::string longPart(120, 'a');
  TBase rec;
  EXPECT_TRUE(Scan(TitleRow("本の話.b" + longPart), rec));
  EXPECT_EQ(rec.Subtitle, "b" + longPart.substr(0, 99));

  TBase colon;
  EXPECT_TRUE(Scan(TitleRow("本の話:" + longPart + "b"), colon));
  EXPECT_EQ(colon.Title, "本の話");
  EXPECT_EQ(colon.Subtitle, longPart.substr(0, 100));
}

TEST_F(ScanTest, PartialTitlesJoinTheSubtitle) {
  struct Case {
    const char* label;
    Page page;
    TitleWant want;
  };
  const Case cases[] = {
      {"two cells under one label",
       Join({TitleRow("本の話"), {"<th>部分タイトル</th>", Cell("A"), Cell("B")}}),
       {"本の話", "A-B", ""}},
      {"two labels",
       Join({TitleRow("本の話"), Row("部分タイトル", "A"), Filler(3), Row("部分タイトル", "B")}),
       {"本の話", "A-B", ""}},
      {"a cell within four lines is taken by each label",
       Join({TitleRow("本の話"), Row("部分タイトル", "A"), Row("部分タイトル", "B")}),
       {"本の話", "A-B-B", ""}},
      {"after a subtitle from the title",
       Join({TitleRow("本の話.続編"), Row("部分タイトル", "A")}),
       {"本の話", "続編-A", ""}},
      {"empty partial cell",
       Join({TitleRow("本の話.続編"), Row("部分タイトル", "")}),
       {"本の話", "続編-", ""}},
      {"empty partial cell, no subtitle",
       Join({TitleRow("本の話"), Row("部分タイトル", "")}),
       {"本の話", "", ""}},
      {"each of the next four lines holding a cell",
       Join(
           {TitleRow("本の話"),
            {"<th>部分タイトル</th>", Cell("A"), "<td>x</td>", Cell(" B "), Cell("C"), Cell("D")}}),
       {"本の話", "A-B-C", ""}},
      {"the text after the colon joins the title",
       Join({TitleRow("本の話:副"), Row("部分タイトル", "A")}),
       {"本の話 : 副", "A", ""}},
      {"no-break spaces stay as '>'",
       Join({TitleRow("本の話"), Row("部分タイトル", "A&nbsp;B")}),
       {"本の話", "A>B", ""}},
      {"partial titles before the title row",
       Join({Row("部分タイトル", "A"), Filler(3), TitleRow("本の話:副")}),
       {"本の話 : 副", "A", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    EXPECT_TRUE(Scan(c.page, rec));
    EXPECT_EQ(rec.Title, c.want.title);
    EXPECT_EQ(rec.Subtitle, c.want.subtitle);
    EXPECT_EQ(rec.VolumeNo, c.want.volume);
  }
}

TEST_F(ScanTest, TitleReadingRow) {
  struct Case {
    const char* label;
    Page rows;
    std::string reading;
  };
  const Case cases[] = {
      {"cleaned", Row("タイトルよみ", " ホン&nbsp;ノ <b>ハナシ</b>.\t"), "ホンノ ハナシ"},
      {"full-width letters stay", Row("タイトルよみ", "ＡＢ"), "ＡＢ"},
      {"value line without the cell", {"<th>タイトルよみ</th>", "<td>ホン</td>"}, ""},
      {"last row wins", Join({Row("タイトルよみ", "イチ"), Row("タイトルよみ", "ニ")}), "ニ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    EXPECT_TRUE(Scan(Join({TitleRow("本の話"), c.rows}), rec));
    EXPECT_EQ(rec.TitleReading, c.reading);
  }
}

}  // namespace
}  // namespace vostrel
