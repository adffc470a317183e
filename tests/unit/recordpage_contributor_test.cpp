// Contributor, cover and summary rows of the record page: responsibility statements and the
// author fields they lead to, the personal-author heading, the cover, the synopsis and the
// author introduction.
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

struct AuthorsWant {
  std::string author1, reading1, author2, reading2, others;
};

TEST_F(ScanTest, StatementsAndHeadingsFillTheAuthorFields) {
  struct Case {
    const char* label;
    Page rows;
    AuthorsWant want;
  };
  const std::string heading = "<td>山田, 太郎&nbsp;||ヤマダ, タロウ</td>";
  const Case cases[] = {
      {"one statement, split at ';'",
       Row("責任表示", "山田太郎著;鈴木一郎訳"),
       {"山田太郎", "", "鈴木一郎 [訳]", "", ""}},
      {"statement cleaned",
       Row("責任表示", "<a href=\"a\">山田 太郎</a>　著."),
       {"山田太郎", "", "", "", ""}},
      {"two statements are listed first",
       Join({Row("責任表示", "A著"), Row("責任表示", "B訳")}),
       {"A", "", "B [訳]", "", "--A著--B訳"}},
      {"two statements, then what the assignment left",
       Join({Row("責任表示", "A著"), Row("責任表示", "B訳;C解説")}),
       {"A", "", "B [訳]", "", "--A著--B訳／C解説C [解説]"}},
      {"heading reading replaces the assigned one",
       Join({Row("責任表示", "山田太郎著［ヤマダ］"), {"<th>個人著者標目</th>", heading}}),
       {"山田太郎", "ヤマダ タロウ", "", "", ""}},
      {"heading name without its dates",
       Join({Row("責任表示", "山田太郎著"),
             {"<th>個人著者標目</th>", "<td>山田, 太郎(1950-)&nbsp;||ヤマダ, タロウ</td>"}}),
       {"山田太郎", "ヤマダ タロウ", "", "", ""}},
      {"heading name in both authors",
       Join({Row("責任表示", "山田太郎著;山田太郎二世訳"), {"<th>個人著者標目</th>", heading}}),
       {"山田太郎", "ヤマダ タロウ", "山田太郎二世 [訳]", "ヤマダ タロウ", ""}},
      {"heading for the second author only",
       Join({Row("責任表示", "鈴木一郎著;山田太郎訳"), {"<th>個人著者標目</th>", heading}}),
       {"鈴木一郎", "", "山田太郎 [訳]", "ヤマダ タロウ", ""}},
      {"heading line without '||' is not read",
       Join({Row("責任表示", "山田太郎著［ヤマダ］"),
             {"<th>個人著者標目</th>", "<td>山田, 太郎&nbsp;|ヤマダ</td>"}}),
       {"山田太郎", "ヤマダ", "", "", ""}},
      {"heading without '>' names nobody",
       Join({Row("責任表示", "山田太郎著［ヤマダ］"),
             {"<th>個人著者標目</th>", "<td>山田太郎||ヤマダ タロウ</td>"}}),
       {"山田太郎", "ヤマダ", "", "", ""}},
      {"the last heading row counts",
       Join({Row("責任表示", "山田太郎著;鈴木一郎訳"),
             {"<th>個人著者標目</th>", heading},
             {"<th>個人著者標目</th>", "<td>鈴木, 一郎&nbsp;||スズキ, イチロウ</td>"}}),
       {"山田太郎", "", "鈴木一郎 [訳]", "スズキ イチロウ", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    EXPECT_TRUE(Scan(Join({TitleRow("本の話"), c.rows}), rec));
    EXPECT_EQ(rec.Author1, c.want.author1);
    EXPECT_EQ(rec.Author1Reading, c.want.reading1);
    EXPECT_EQ(rec.Author2, c.want.author2);
    EXPECT_EQ(rec.Author2Reading, c.want.reading2);
    EXPECT_EQ(rec.OtherContributors, c.want.others);
  }
}

TEST_F(ScanTest, CoverRowTakesTheFourteenthLine) {
  WriteOption({"NOIMAGE_URL=http://127.0.0.1/image/no_img.gif"});
  struct Case {
    const char* label;
    std::string line;
    std::string cover;
  };
  const Case cases[] = {
      {"cover picture", "<img src=\"/covers/1.jpg\" alt=\"\">", "/covers/1.jpg"},
      {"placeholder picture", "<img src=\"http://127.0.0.1/image/no_img.gif\">", "(kept)"},
      {"placeholder path on another host", "<img src=\"/image/no_img.gif\">", "/image/no_img.gif"},
      {"no picture", "<td>&nbsp;</td>", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    rec.CoverUrl = "(kept)";
    EXPECT_TRUE(Scan(Join({TitleRow("本の話"),
                           {"<!-- =======  書影 ======= -->"},
                           Filler(12),
                           {"<img src=\"/covers/13th.jpg\">", c.line},
                           Filler(1)}),
                     rec));
    EXPECT_EQ(rec.CoverUrl, c.cover);
  }
}

TEST_F(ScanTest, SynopsisAndAuthorIntroductionMakeTheSummary) {
  struct Case {
    const char* label;
    Page rows;
    std::string summary;
  };
  const Case cases[] = {
      {"line breaks", Row("あらすじ", "a<br>b"), "a\r\nb"},
      {"other break forms are markup", Row("あらすじ", "a<BR>b<br/>c"), "abc"},
      {"full-width spaces and ends", Row("あらすじ", "　あら　すじ　<br>"), "あら すじ"},
      {"last synopsis wins", Join({Row("あらすじ", "一"), Row("あらすじ", "二")}), "二"},
      {"introduction follows without a break",
       Join({Row("あらすじ", "a<br>b"), {"<h2>著者紹介</h2>", "c"}}), "a\r\nb著者紹介：\r\nc"},
      {"introduction keeps its markup",
       Join({Row("あらすじ", "a"), {"<h2>著者紹介</h2>", "x<i>y</i><BR>z<br>\tw"}}),
       "a著者紹介：\r\nx<i>y</i><BR>z\r\nw"},
      {"introduction alone", {"<h2>著者紹介</h2>", "c"}, "著者紹介：\r\nc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    EXPECT_TRUE(Scan(Join({TitleRow("本の話"), c.rows}), rec));
    EXPECT_EQ(rec.Summary, c.summary);
  }
}

}  // namespace
}  // namespace vostrel
