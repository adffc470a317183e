#include <gtest/gtest.h>

#include <string>

#include "plugin/common.h"

namespace vostrel {
namespace {

// Counts the commas that stand outside quoted items.
int SeparatorCount(std::string_view line) {
  int commas = 0;
  bool quoted = false;
  for (char c : line) {
    if (c == '"')
      quoted = !quoted;
    if (c == ',' && !quoted)
      ++commas;
  }
  return commas;
}

TEST(BuildBookLine, WorkedExampleByteForByte) {
  TBase rec;
  rec.Isbn = "123";
  rec.Title = "本の話";
  rec.TitleReading = "ホンノハナシ";
  rec.Author1 = "山田太郎";
  rec.Author1Reading = "ヤマダ タロウ";
  rec.Publisher = "青空書房";
  rec.Price = "1500";
  rec.PubYear = "2005";
  rec.PubMonth = "3";
  rec.Summary = "一行目\r\n二行目, \"引用\"";

  EXPECT_EQ(
      BuildBookLine(rec),
      "123,本の話,ﾎﾝﾉﾊﾅｼ,,,山田太郎,\"ﾔﾏﾀﾞ ﾀﾛｳ\",,,,,,青空書房,,,,,,,,,1500,,,,2005,3,,,,,,,,,,"
      "\"一行目$$二行目， ”引用”\",,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,");
  // The readings are kept in their half-width form.
  EXPECT_EQ(rec.TitleReading, "ﾎﾝﾉﾊﾅｼ");
  EXPECT_EQ(rec.Author1Reading, "ﾔﾏﾀﾞ ﾀﾛｳ");
}

TEST(BuildBookLine, ItemsAreEscapedAndQuotedOnlyWhereNeeded) {
  struct Case {
    const char* label;
    int field;
    std::string value, wantItem, wantStored;
  };
  const Case cases[] = {
      {"comma to full-width, no quotes", 2, "A,B", "A，B", "A,B"},
      {"quote to full-width quote", 2, "say \"hi\"", "\"say ”hi”\"", "say \"hi\""},
      {"CR LF to $$", 36, "a\r\nb", "a$$b", "a\r\nb"},
      {"lone LF kept and quoted", 36, "a\nb", "\"a\nb\"", "a\nb"},
      {"only a space", 2, " ", "\" \"", " "},
      {"tab quoted", 2, "a\tb", "\"a\tb\"", "a\tb"},
      {"half-width reading with a comma", 3, "ア，イ", "ｱ，ｲ", "ｱ,ｲ"},
      {"voiced kana split", 9, "ガギ", "ｶﾞｷﾞ", "ｶﾞｷﾞ"},
      {"trail byte 0x5C is no control", 2, "表", "表", "表"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TBase rec;
    rec.Field(c.field) = c.value;
    const std::string line = BuildBookLine(rec);
    EXPECT_EQ(SeparatorCount(line), 67);
    // The item of field k stands at k, k + 1 or k + 2 for the two fixed empty items.
    const int item = c.field + (c.field >= 20) + (c.field >= 40);
    std::string want(static_cast<std::size_t>(item - 1), ',');
    want += c.wantItem;
    want.append(static_cast<std::size_t>(68 - item), ',');
    EXPECT_EQ(line, want);
    EXPECT_EQ(rec.Field(c.field), c.wantStored);
  }
}

TEST(BuildBookLine, EveryFieldLandsInItsItem) {
  TBase rec;
  for (int k = 1; k <= 66; ++k)
    rec.Field(k) = "f" + std::to_string(k);
  std::string want;
  for (int k = 1; k <= 66; ++k) {
    if (k == 20 || k == 40)
      want += ',';
    if (k > 1)
      want += ',';
    want += "f" + std::to_string(k);
  }
  EXPECT_EQ(BuildBookLine(rec), want);

  ClearBook(rec);
  EXPECT_EQ(BuildBookLine(rec), std::string(67, ','));
}

TEST(ClearBook, EmptiesEveryFieldButKeepsTheLeadingValue) {
  TBase rec;
  rec.Reserved = 0x12345678;
  for (int k = 1; k <= 66; ++k)
    rec.Field(k) = "x";
  ClearBook(rec);
  for (int k = 1; k <= 66; ++k)
    EXPECT_EQ(rec.Field(k), "") << "field " << k;
  EXPECT_EQ(rec.Reserved, 0x12345678u);
}

TEST(EscapeItem, ReplacesAtCharacterBoundariesInOrder) {
  EXPECT_EQ(EscapeItem("a\r\nb\rc\nd"), "a$$b\rc\nd");
  EXPECT_EQ(EscapeItem("\"a,b\""), "”a，b”");
  EXPECT_EQ(EscapeItem(""), "");
}

TEST(ToHalfWidth, MapsLongTextsWhole) {
  // Readings longer than 255 bytes are mapped in full, not cut.
  std::string reading, want;
  for (int i = 0; i < 200; ++i) {
    reading += "ア";
    want += "ｱ";
  }
  EXPECT_EQ(ToHalfWidth(reading), want);
}

}  // namespace
}  // namespace vostrel
