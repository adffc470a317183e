#include "text/markup.h"

#include <gtest/gtest.h>

#include <string>

#include "cpu_time.h"
#include "text/bytes.h"

namespace vostrel {
namespace {

// "－" (full-width minus) is 0x81 0x7C: its trail byte is "|".
constexpr std::string_view kMinus = "\x81\x7C";

TEST(ExtractBetween, CutsBetweenFirstMarkers) {
  struct Case {
    const char* label;
    std::string text, start, stop;
    std::string want;
  };
  const std::string minus(kMinus);
  const Case cases[] = {
      {"both markers", "abc[x]def", "[", "]", "x"},
      {"stop absent: rest", "abc[x]def", "[", "}", "x]def"},
      {"stop empty: rest", "abc[x]def", "[", "", "x]def"},
      {"start absent", "abc[x]def", "{", "]", ""},
      {"start empty", "abc[x]def", "", "]", ""},
      {"start at the very end", "abc[", "[", "]", ""},
      {"first start, first stop after it", "]a[b]c[d]", "[", "]", "b"},
      {"multi-byte markers", "<F>1999</F><F>2000</F>", "<F>", "</F>", "1999"},
      {"empty between", "a[]b", "[", "]", ""},
      {"start on a trail byte (byte search)", "a" + minus + "x|y", "|", "|", "x"},
      {"stop on a trail byte (byte search)", "[ab" + minus + "c", "[", "|", "ab\x81"},
      {"visit handle", "https://opac.example.jp/F/HANDLE-1?func=login", "/F/", "?func", "HANDLE-1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(ExtractBetween(c.text, c.start, c.stop), c.want);
  }
}

TEST(NthField, CountsFieldsByCharacterSearch) {
  struct Case {
    const char* label;
    std::string text;
    int n;
    std::string want;
  };
  const std::string minus(kMinus);
  const Case cases[] = {
      {"first", "a|b||d", 1, "a"},
      {"second", "a|b||d", 2, "b"},
      {"empty between delimiters", "a|b||d", 3, ""},
      {"last, no delimiter after it", "a|b||d", 4, "d"},
      {"past the last field", "a|b||d", 5, ""},
      {"zero", "a|b||d", 0, ""},
      {"negative", "a|b||d", -3, ""},
      {"no delimiter", "abc", 1, "abc"},
      {"no delimiter, second field", "abc", 2, ""},
      {"ends in a delimiter", "a|", 2, ""},
      {"empty text", "", 1, ""},
      {"full-width minus is no delimiter", "ab" + minus + "c|d", 1, "ab" + minus + "c"},
      {"field after one holding －", "ab" + minus + "c|d", 2, "d"},
      {"dictionary entry", "|ヤマダ|山田太郎|\r\n", 3, "山田太郎"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(NthField(c.text, '|', c.n), c.want);
  }
}

TEST(NarrowAlnum, FullWidthLettersAndDigitsToAscii) {
  struct Case {
    const char* label;
    std::string text, want;
  };
  const Case cases[] = {
      {"size", "Ａ５判", "A5判"},
      {"digits and small letters", "１９ｃｍ", "19cm"},
      {"range ends", "０９ＡＺａｚ", "09AZaz"},
      {"unassigned codes between digits and capitals", "\x82\x59\x82\x5F", ":@"},
      {"full-width minus stays", "\x81\x7C", "\x81\x7C"},
      {"full-width space and brackets stay", "　（）", "　（）"},
      {"kana and kanji stay", "あア漢", "あア漢"},
      {"0x82 outside both ranges stays", "\x82\x4E\x82\x7A\x82\x80\x82\x9B",
       "\x82\x4E\x82\x7A\x82\x80\x82\x9B"},
      // A trail byte that looks like 0x82 is not a lead byte: 0x88 0x82 is one kanji.
      {"0x82 as a trail byte", "\x88\x82\x50", "\x88\x82\x50"},
      {"ASCII and half-width kana", "abc ｱｲ", "abc ｱｲ"},
      {"lone lead byte at the end is copied", "a\x82", "a\x82"},
      {"lone 0x82 after a narrowed pair", "\x82\x50\x82", "1\x82"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(NarrowAlnum(c.text), c.want);
  }
}

TEST(StripMarkup, RemovesTagsKeepsCommentsDecodesThreeEntities) {
  struct Case {
    const char* label;
    std::string text, want;
  };
  const Case cases[] = {
      {"cell", "<td align=left>本文</td>", "本文"},
      {"inline tags", "a<b>b</b>c", "abc"},
      {"lone > drops what is before it", "x > y", " y"},
      {"lone < drops what is after it", "x < y", "x "},
      {"> before < drops the text up to it", "a>b<c>d", "bd"},
      {"nested <", "a<<b>c", "ac"},
      {"comment kept", "a<!-- note -->b", "a<!-- note -->b"},
      {"tag inside a comment removed", "a<!-- <i>n</i> -->b", "a<!-- n -->b"},
      {"entities", "1 &lt; 2 &amp; 3&nbsp;4", "1 < 2 &amp; 3>4"},
      {"no-break space becomes >", "山田&nbsp;||ヤマダ", "山田>||ヤマダ"},
      {"decoded signs are no tags", "&lt;b&gt;x", "<b>x"},
      {"full-width comment markers come out ASCII", "＜!--x--＞", "<!--x-->"},
      {"no markup", "山田太郎", "山田太郎"},
      {"empty", "", ""},
      {"only signs", "<>><<", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(StripMarkup(c.text), c.want);
  }
}

TEST(WideHalfWidth, MapsFullWidthToHalfWidth) {
  EXPECT_EQ(WideHalfWidth(u""), u"");
  EXPECT_EQ(WideMap(u"", kMapHalfWidth), u"");
  EXPECT_EQ(WideHalfWidth(u"\uFF11\uFF12\uFF41\u3000X"), u"12a X");
  EXPECT_EQ(WideHalfWidth(u"漢字"), u"漢字");
  EXPECT_EQ(WideMap(u"\uFF21", kMapHalfWidth), u"A");
}

// The linear walk takes about 0.1 s for the slowest case here, and under 1 s under the
// sanitizers; quadratic work (erasing from the front of a text, or searching it again from the
// start for every tag) moves or reads terabytes on these inputs.
constexpr double kLinearBoundSeconds = 2.0;
constexpr std::size_t kBigSize = 4 << 20;

std::string Repeat(std::string_view piece, std::size_t size) {
  std::string out;
  out.reserve(size + piece.size());
  while (out.size() < size)
    out += piece;
  return out;
}

TEST(LinearTime, StripMarkupAndReplaceAllOnFourMegabytes) {
  struct Case {
    const char* label;
    std::string text;
    std::size_t wantSize;
  };
  // Each comment piece "<!--c-->&nbsp;" (14 bytes) comes out as "<!--c-->>" (9 bytes).
  Case cases[] = {
      {"many tags", Repeat("<b>x</b>", kBigSize), kBigSize / 8},
      {"many > and one < at the end", Repeat(">", kBigSize) + "<", 0},
      {"many < and no >", "ab" + Repeat("<", kBigSize), 2},
      {"comments and entities", Repeat("<!--c-->&nbsp;", kBigSize), 0},
      {"text then > at the end", Repeat("a", kBigSize) + ">b", 1},
  };
  cases[3].wantSize = cases[3].text.size() / 14 * 9;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::string out;
    const double took = testing::CpuSeconds([&] { out = StripMarkup(c.text); });
    EXPECT_EQ(out.size(), c.wantSize);
    EXPECT_LT(took, kLinearBoundSeconds * testing::kBuildSlowdown);
  }

  const std::string many = Repeat("変形", kBigSize);
  std::string replaced;
  const double took = testing::CpuSeconds([&] { replaced = ReplaceAll(many, "変", "変型"); });
  EXPECT_EQ(replaced.size(), many.size() / 4 * 6);
  EXPECT_LT(took, kLinearBoundSeconds * testing::kBuildSlowdown);
}

}  // namespace
}  // namespace vostrel
