// Publication and description rows of the record page, and the marker-file overrides.
#include <gtest/gtest.h>

#include <string>

#include "recordpage_pages.h"

namespace vostrel {
namespace {

using pages::Filler;
using pages::Join;
using pages::Page;
using pages::Row;
using pages::ScanTest;
using pages::TitleRow;
using pages::YearLine;

TEST_F(ScanTest, PublicationRowGivesPublisherAndDate) {
  struct Case {
    const char* label;
    std::string cell;
    std::string publisher, year, month;
  };
  const Case cases[] = {
      {"place, publisher, year and month", "東京:青空書房,2005.3", "青空書房", "2005", "3"},
      {"two-digit month", "東京:青空書房,2005.12", "青空書房", "2005", "12"},
      {"year only", "東京:青空書房,2005", "青空書房", "2005", ""},
      {"spaces, markup and no-break spaces removed",
       "<a href=\"p\">東京</a>&nbsp;: 青空　書房,&nbsp;2005.3", "青空書房", "2005", "3"},
      {"reading after the publisher", "青空書房∥アオゾラ,2005.3", "青空書房", "2005", "3"},
      {"place kept before the reading", "東京:青空書房∥アオゾラ,2005.3", "東京:青空書房", "2005",
       "3"},
      // Without "," the date is read from the first bytes of the statement.
      {"no comma", "東京:青空書房", "青空書房", "東京", "青"},
      {"no colon", "青空書房,2005.3", "", "2005", "3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    EXPECT_TRUE(Scan(Join({TitleRow("本の話"), Row("出版事項", c.cell)}), rec));
    EXPECT_EQ(rec.Publisher, c.publisher);
    EXPECT_EQ(rec.PubYear, c.year);
    EXPECT_EQ(rec.PubMonth, c.month);
  }
}

TEST_F(ScanTest, PublicationYearRowTakesTheLastFontLineOfTen) {
  struct Case {
    const char* label;
    Page rows;
    std::string year, month;
  };
  const std::string label = "<th>出版年</th>";
  const Page publication = Row("出版事項", "東京:青空書房,1999.1");
  const Case cases[] = {
      {"year and month", {label, YearLine("2005.3")}, "2005", "3"},
      {"full date", {label, YearLine("2005.12.24")}, "2005", "12_24"},
      {"full-width digits", {label, YearLine("２００５")}, "2005", ""},
      {"the last of two font lines",
       Join({{label, YearLine("1999"), "<tr>"}, Filler(5), {YearLine("2005.3")}, Filler(2)}),
       "2005", "3"},
      {"font line ten lines after the label", Join({{label}, Filler(9), {YearLine("2005.3")}}),
       "2005", "3"},
      {"font line eleven lines after: both emptied",
       Join({publication, {label}, Filler(10), {YearLine("2005.3")}}), "", ""},
      {"no font line: both emptied", Join({publication, {label}, Filler(3)}), "", ""},
      {"label inside a longer word", {"<th>出版年月</th>", YearLine("2005.3")}, "2005", "3"},
      {"the publication row after it wins", Join({{label, YearLine("2005.3")}, publication}),
       "1999", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    EXPECT_TRUE(Scan(Join({TitleRow("本の話"), c.rows}), rec));
    EXPECT_EQ(rec.PubYear, c.year);
    EXPECT_EQ(rec.PubMonth, c.month);
  }
}

TEST_F(ScanTest, ExtentRowGivesPagesAndSize) {
  struct Case {
    const char* label;
    std::string cell;
    std::string pages, size;
  };
  const Case cases[] = {
      {"pages and size", "232p;20cm", "232", "20cm"},
      {"accompanying material dropped", "232p;20cm+CD1枚", "232", "20cm"},
      {"roman page numbers", "xii,345p;22cm", "xii,345", "22cm"},
      {"no page count", "1冊;26cm", "(kept)", "26cm"},
      {"no semicolon", "21cm", "(kept)", "21cm"},
      {"spaces, dots and markup removed", "<b>232 p</b> ; 21 cm.", "232", "21cm"},
      {"full-width letters and size words", "２３２ｐ;Ａ５判", "232", "A5"},
      {"size cut at 20 bytes", "10p;123456789012345678901234", "10", "12345678901234567890"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    rec.Pages = "(kept)";
    EXPECT_TRUE(Scan(Join({TitleRow("本の話"), Row("形態/付属資料", c.cell)}), rec));
    EXPECT_EQ(rec.Pages, c.pages);
    EXPECT_EQ(rec.BookSize, c.size);
  }
}

TEST_F(ScanTest, SeriesPriceAndNdcRows) {
  struct Case {
    const char* label;
    Page rows;
    std::string presetPrice;
    std::string series, price, ndc;
  };
  const Case cases[] = {
      {"series cleaned", Row("シリーズ", "<a>青空文庫</a>&nbsp;; 12 "), "", "青空文庫;12", "", ""},
      {"price keeps its comma", Row("価格等", "1,500円"), "", "", "1,500", ""},
      {"price cleaned", Row("価格等", "&nbsp;<b>2,000</b> 円"), "", "", "2,000", ""},
      {"price from the barcode wins", Row("価格等", "1,500円"), "980", "", "980", ""},
      {"NDC", Row("NDC", "913.6"), "", "", "", "913.6"},
      {"NDC keeps the no-break space mark", Row("NDC", "9 1 3.6&nbsp;"), "", "", "", "913.6>"},
      {"last NDC row wins", Join({Row("NDC9", "913.6"), Row("NDC8", "913")}), "", "", "", "913"},
  };
  WriteOption({"TOSYO1=1"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    rec.Price = c.presetPrice;
    EXPECT_TRUE(Scan(Join({TitleRow("本の話"), c.rows}), rec));
    EXPECT_EQ(rec.Series, c.series);
    EXPECT_EQ(rec.Price, c.price);
    EXPECT_EQ(rec.Ndc, c.ndc);
  }
}

TEST_F(ScanTest, MarkerFileOverridesSizeAudienceNdcAndWorkUrl) {
  struct Case {
    const char* label;
    bool marker;
    std::string extent;
    std::string size, audience, ndc, workUrl;
  };
  const Case cases[] = {
      {"no marker", false, "200p;文庫", "文庫", "(audience)", "913.6", "(url)"},
      {"paperback", true, "200p;文庫", "A6", "全年齢", "", ""},
      {"comic", true, "200p;B6コミック", "B6", "全年齢", "", ""},
      {"other size", true, "200p;19cm", "19cm", "全年齢", "", ""},
  };
  WriteOption({"TOSYO1=1"});
  const std::string markerPath = PagePath() + ".rimaso_private";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::filesystem::remove(markerPath);
    if (c.marker)
      WriteMarker();
    TBase rec;
    rec.Audience = "(audience)";
    rec.WorkUrl = "(url)";
    EXPECT_TRUE(
        Scan(Join({TitleRow("本の話"), Row("形態/付属資料", c.extent), Row("NDC", "913.6")}), rec));
    EXPECT_EQ(rec.BookSize, c.size);
    EXPECT_EQ(rec.Audience, c.audience);
    EXPECT_EQ(rec.Ndc, c.ndc);
    EXPECT_EQ(rec.WorkUrl, c.workUrl);
  }
}

// The marker belongs to the page that was scanned: its name is the page path + ".rimaso_private".
TEST_F(ScanTest, MarkerFileIsLookedUpNextToThePageScanned) {
  WriteMarker();  // next to Temp.html
  WriteFile("Other.html",
            pages::CrLfText(Join({TitleRow("本の話"), Row("形態/付属資料", "1p;文庫")})));
  TBase rec;
  EXPECT_TRUE(ParseRecordPage(WorkDir + "Other.html", rec));
  EXPECT_EQ(rec.BookSize, "文庫");
  EXPECT_EQ(rec.Audience, "");
}

}  // namespace
}  // namespace vostrel
