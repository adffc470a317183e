#include "text/bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vostrel {
namespace {

// "－" (full-width minus) is 0x81 0x7C: its trail byte is "|".
constexpr std::string_view kMinus = "\x81\x7C";
// "表" is 0x95 0x5C: its trail byte is "\".
constexpr std::string_view kHyou = "\x95\x5C";

TEST(FindChars, SkipsMatchesStartingOnATrailByte) {
  struct Case {
    const char* label;
    std::string text, pattern;
    std::size_t want;
  };
  const std::string minus(kMinus), hyou(kHyou);
  const Case cases[] = {
      {"plain", "a|b", "|", 1},
      {"trail byte only", minus, "|", std::string::npos},
      {"after a trail-byte match", minus + "|", "|", 2},
      {"backslash in 表", hyou + "\\", "\\", 2},
      {"pattern spanning chars", "\x82\xA0\x82\xA2", "\xA0\x82", std::string::npos},
      {"empty pattern", "abc", "", 0},
      {"absent", "abc", "x", std::string::npos},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(FindChars(c.text, c.pattern), c.want);
  }
  // Byte search finds what character search passes over.
  EXPECT_EQ(FindBytes(minus, "|"), 1u);
}

// A text where the pattern's first byte stands everywhere (a dictionary's bars) is searched by
// another method after many failed candidates: it must find what the plain search finds, from
// any starting point, wherever the pattern stands or when it is absent.
TEST(FindBytes, TextFullOfThePatternsFirstByte) {
  std::string text;
  for (int k = 0; k < 400; ++k)
    text += "|" + std::to_string(k) + "|name|";
  struct Case {
    const char* label;
    std::string pattern;
  };
  const Case cases[] = {
      {"near the start", "|3|name|"}, {"far in", "|377|name|"},   {"last", "|399|name|"},
      {"absent", "|400|name|"},       {"overlapping bars", "||"}, {"one byte", "|"},
      {"the whole text", text},
  };
  for (const Case& c : cases) {
    for (std::size_t from : {std::size_t{0}, std::size_t{1}, std::size_t{500}, text.size()}) {
      SCOPED_TRACE(std::string(c.label) + " from " + std::to_string(from));
      EXPECT_EQ(FindBytes(text, c.pattern, from), std::string_view(text).find(c.pattern, from));
    }
  }
  // The pattern right after 0 to 150 failed candidates: one of them puts it just where the
  // search changes its method.
  for (std::size_t decoys = 0; decoys <= 150; ++decoys) {
    const std::string bars = std::string(decoys, '|') + "|y|";
    ASSERT_EQ(FindBytes(bars, "|y|"), decoys);
  }
}

TEST(ReplaceAll, LeftToRightWithoutOverlapsOrRescans) {
  struct Case {
    const char* label;
    std::string text, from, to, want;
  };
  const std::string minus(kMinus);
  const Case cases[] = {
      {"every occurrence", "a,b,c", ",", "，", "a，b，c"},
      {"no overlaps", "aaa", "aa", "b", "ba"},
      {"insertions not searched", "変形変", "変", "変型", "変型形変型"},
      {"trail byte untouched", minus + "|", "|", "/", minus + "/"},
      {"empty pattern", "abc", "", "x", "abc"},
      {"removal", "a b c", " ", "", "abc"},
      {"CR LF only as a pair", "a\r\nb\rc\nd", "\r\n", "$$", "a$$b\rc\nd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(ReplaceAll(c.text, c.from, c.to), c.want);
  }
}

TEST(ClippedSubstr, ClipsStartAndCount) {
  struct Case {
    const char* label;
    long long start, count;
    std::string_view want;
  };
  const Case cases[] = {
      {"inside", 3, 2, "cd"},          {"start below 1", -5, 2, "ab"}, {"start 0", 0, 3, "abc"},
      {"count past end", 5, 10, "ef"}, {"start past end", 7, 1, ""},   {"zero count", 2, 0, ""},
      {"last byte", 6, 1, "f"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(ClippedSubstr("abcdef", c.start, c.count), c.want);
  }
  EXPECT_EQ(BytesBefore("abcdef", 3), "ab");
  EXPECT_EQ(BytesBefore("abcdef", 1), "");
  EXPECT_EQ(BytesBefore("abcdef", 0), "");
  EXPECT_EQ(PositionOf("abcdef", "cd"), 3u);
  EXPECT_EQ(PositionOf("abcdef", "x"), 0u);
}

TEST(Trim, RemovesControlBytesAndSpacesOnly) {
  EXPECT_EQ(Trim(std::string_view("\t \x01 a b \r\n\0", 11)), "a b");
  EXPECT_EQ(Trim("　a　"), "　a　");  // the full-width space stays
  EXPECT_EQ(Trim("   "), "");
}

TEST(SplitLines, BreaksAtEveryLineEndKind) {
  struct Case {
    const char* label;
    std::string text;
    std::vector<std::string_view> want;
  };
  const Case cases[] = {
      {"empty", "", {}},
      {"one line, no break", "a", {"a"}},
      {"final break adds no line", "a\r\n", {"a"}},
      {"mixed breaks", "a\r\n\nb\rc", {"a", "", "b", "c"}},
      {"single break", "\n", {""}},
      {"CR then CR LF", "a\r\r\nb", {"a", "", "b"}},
      {"LF then CR is two breaks", "a\n\rb", {"a", "", "b"}},
      {"lone CR at the end", "a\nb\r", {"a", "b"}},
      {"empty lines between CR LF", "\r\n\r\na\r\n", {"", "", "a"}},
      {"NUL ends the text", std::string("a\nb\0c\nd", 7), {"a", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(SplitLines(c.text), c.want);
  }
  EXPECT_EQ(JoinLinesCrLf(std::vector<std::string>{"a", "", "b"}), "a\r\n\r\nb\r\n");
}

}  // namespace
}  // namespace vostrel
