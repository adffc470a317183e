#include "text/numbers.h"

#include <gtest/gtest.h>

#include <string>

namespace vostrel {
namespace {

TEST(IsVolumeText, DigitsVolumeWordsAndNumerals) {
  struct Case {
    const char* label;
    std::string text;
    bool want;
  };
  const Case cases[] = {
      {"digit", "2", true},
      {"digit inside text", "Vol.3", true},
      {"first volume", "上", true},
      {"middle volume", "中", true},
      {"last volume", "下", true},
      {"kanji numeral", "三", true},
      {"two kanji numerals", "十二", true},
      {"old-style numerals", "壱弐参拾百", true},
      {"roman capitals", "IV", true},
      {"roman small letters", "xii", true},
      {"empty", "", true},
      {"one byte", "a", true},
      {"one capital", "L", true},
      {"volume word with more", "上巻", false},
      {"two letters", "ab", false},
      {"ordinal prefix", "第三", false},
      {"L is no roman letter here", "LX", false},
      {"thousand is no numeral", "千", false},
      {"zero is no numeral", "〇", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(IsVolumeText(c.text), c.want);
  }
}

TEST(IsKanjiNumeral, FixedTwoByteSteps) {
  struct Case {
    const char* label;
    std::string text;
    bool want;
  };
  const Case cases[] = {
      {"all fifteen", "一二三四五六七八九十百壱弐参拾", true},
      {"final odd byte never looked at", "一A", true},
      {"ASCII first", "A一", false},
      {"kanji then non-numeral", "一巻", false},
      {"kana", "いち", false},
      {"empty", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(IsKanjiNumeral(c.text), c.want);
  }
}

TEST(IsRomanNumeral, SixAsciiLettersOnly) {
  struct Case {
    const char* label;
    std::string text;
    bool want;
  };
  const Case cases[] = {
      {"all six", "IVXivx", true},   {"empty", "", true},
      {"other letter", "XL", false}, {"digit", "X1", false},
      {"full-width I", "Ｉ", false}, {"numeral character 4", "Ⅳ", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(IsRomanNumeral(c.text), c.want);
  }
  EXPECT_TRUE(HasDigit("a9"));
  EXPECT_FALSE(HasDigit("１"));  // full-width digits are no digits here
  EXPECT_FALSE(HasDigit(""));
}

TEST(Digits, RunTogetherOrFallBack) {
  struct Case {
    const char* label;
    std::string text, wantOnly, wantOrZero;
  };
  const Case cases[] = {
      {"range", "1-2", "12", "12"},
      {"inside kanji", "第3巻", "3", "3"},
      {"separate groups", "v1 of 20", "120", "120"},
      {"volume word", "上", "上", "0"},
      {"empty", "", "", "0"},
      {"full-width digits are no digits", "１２", "１２", "0"},
      {"only digits", "007", "007", "007"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(DigitsOnly(c.text), c.wantOnly);
    EXPECT_EQ(DigitsOrZero(c.text), c.wantOrZero);
  }
}

TEST(NormalizeSize, OneFixedForm) {
  struct Case {
    const char* label;
    std::string text, want;
  };
  const Case cases[] = {
      {"full-width A5", "Ａ５判", "A5"},
      {"four-six", "四六判", "四六"},
      {"full-width 4-6", "４－６判", "四六"},
      {"ASCII 4-6", "4-6判", "四六"},
      {"variant 変形", "B6変形", "B6変型"},
      {"variant 変型判", "B6変型判", "B6変型"},
      {"bare variant", "B6変", "B6変型"},
      {"edition mark removed", "A5版", "A5"},
      {"full-width minus elsewhere", "A5－B5", "A5-B5"},
      {"centimetres", "19cm", "19cm"},
      {"two variant marks", "変形変", "変型変型"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(NormalizeSize(c.text), c.want);
  }
}

}  // namespace
}  // namespace vostrel
