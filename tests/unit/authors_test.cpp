#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contributors/contributors.h"
#include "text/bytes.h"

namespace vostrel {
namespace {

// "芦" is 0x88 0xB0: its trail byte is the half-width prolonged sound mark "ｰ".
constexpr std::string_view kAshi = "\x88\xB0";

TEST(DictionaryKey, NormalisesNamesAndSeries) {
  struct Case {
    const char* label;
    std::string in, want;
  };
  const Case cases[] = {
      {"katakana ni keys as the kanji", "ニノ宮", "二ﾉ宮"},
      {"kanji ni", "二ノ宮", "二ﾉ宮"},
      {"prolonged sound mark", "ルーシー", "ﾙ-ｼ-"},
      {"voiced kana and middle dot", "ジョン・スミス", "ｼﾞｮﾝｽﾐｽ"},
      {"role suffix loses its space", "鈴木一郎 [訳]", "鈴木一郎[訳]"},
      {"stars and notes removed", "☆山田★太郎♪", "山田太郎"},
      {"full-width letters and spaces", "　ＡＢ　Ｃ　", "ABC"},
      {"control bytes trimmed", "\t山田\r\n", "山田"},
      {"half-width prolonged mark", "ｶｰﾄﾞ", "ｶ-ﾄﾞ"},
      {"trail byte 0xB0 is not a sound mark", std::string(kAshi) + "田", std::string(kAshi) + "田"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(DictionaryKey(c.in), c.want);
  }
  EXPECT_EQ(DictionaryKey("ミライ・ノート"), DictionaryKey("ミライノート"));
  EXPECT_EQ(DictionaryKey("ミライノート"), "ﾐﾗｲﾉ-ﾄ");
}

TEST(DictionaryKey, KeysLongTextsWhole) {
  // 300 full-width letters are 600 bytes; the key keeps all 300 as ASCII.
  std::string in, want;
  for (int i = 0; i < 300; ++i) {
    in += "Ｘ";
    want += 'X';
  }
  EXPECT_EQ(DictionaryKey(in), want);
}

// The author fields AssignAuthors fills.
struct Authors {
  std::string author1, reading1, note1, author2, reading2, others;
};

class AssignAuthorsTest : public ::testing::Test {
 protected:
  void TearDown() override { FreeAuthorDictionary(); }

  static void UseDictionary(const std::vector<std::string>& lines) {
    AuthorDict = {lines.size(), JoinLinesCrLf(lines)};
  }

  static Authors Assign(const std::vector<std::string>& entries) {
    ContributorList list;
    for (const std::string& entry : entries)
      list.Add(entry);
    TBase rec;
    AssignAuthors(list, rec);
    return {rec.Author1, rec.Author1Reading, rec.Author1Note,
            rec.Author2, rec.Author2Reading, rec.OtherContributors};
  }
};

void ExpectAuthors(const Authors& got, const Authors& want) {
  EXPECT_EQ(got.author1, want.author1);
  EXPECT_EQ(got.reading1, want.reading1);
  EXPECT_EQ(got.note1, want.note1);
  EXPECT_EQ(got.author2, want.author2);
  EXPECT_EQ(got.reading2, want.reading2);
  EXPECT_EQ(got.others, want.others);
}

TEST_F(AssignAuthorsTest, FillsThePlacesInListOrder) {
  struct Case {
    const char* label;
    std::vector<std::string> dictionary;  // no lines: no dictionary
    std::vector<std::string> entries;     // in sorted order
    Authors want;
  };
  const Case cases[] = {
      {"three entries, no dictionary",
       {},
       {"1山田太郎", "5鈴木一郎 [訳]", "9佐藤花子 [解説]"},
       {"山田太郎", "", "", "鈴木一郎 [訳]", "", "佐藤花子 [解説]"}},
      {"a fourth entry joins the others after CR LF",
       {},
       {"1山田太郎", "5鈴木一郎 [訳]", "9佐藤花子 [解説]", "9田中一 [編]"},
       {"山田太郎", "", "", "鈴木一郎 [訳]", "", "佐藤花子 [解説]\r\n田中一 [編]"}},
      {"bracket reading",
       {},
       {"1山田太郎［ヤマダタロウ］", "5鈴木［スズキ］"},
       {"山田太郎", "ヤマダタロウ", "", "鈴木", "スズキ", ""}},
      {"suffix after the brackets is dropped",
       {},
       {"9山田太郎［ヤマダタロウ］ [編]"},
       {"山田太郎", "ヤマダタロウ", "", "", "", ""}},
      {"unclosed bracket reads to the end",
       {},
       {"1山田［ヤマダ"},
       {"山田", "ヤマダ", "", "", "", ""}},
      {"same name in another role",
       {},
       {"1山田太郎", "2山田太郎"},
       {"山田太郎", "", "", "", "", ""}},
      {"name inside an assigned name",
       {},
       {"1山田太郎", "2山田"},
       {"山田太郎", "", "", "", "", ""}},
      {"name inside the other contributors",
       {},
       {"1山田", "2鈴木", "3佐藤花子", "9佐藤"},
       {"山田", "", "", "鈴木", "", "佐藤花子"}},
      {"an empty name leaves the place to the next entry",
       {},
       {"0［ヤマダ］", "1鈴木"},
       {"鈴木", "", "", "", "", ""}},
      {"dictionary name, reading and note",
       {"|山田太郎|山田 太郎|やまだ たろう|作家|"},
       {"1山田太郎"},
       {"山田 太郎", "やまだ たろう", "作家", "", "", ""}},
      {"dictionary hit by katakana key",
       {"|ｼﾞｮﾝｽﾐｽ|ジョン・スミス|ジョン スミス|米国|"},
       {"1ジョン・スミス"},
       {"ジョン・スミス", "ジョン スミス", "米国", "", "", ""}},
      {"entry without reading keeps the bracket reading",
       {"|ｼﾞｮﾝｽﾐｽ|ジョン・スミス|"},
       {"1ジョン・スミス［ジョン］"},
       {"ジョン・スミス", "ジョン", "", "", "", ""}},
      {"entry without reading and no brackets",
       {"|山田太郎|山田太郎|"},
       {"1山田太郎"},
       {"山田太郎", "", "", "", "", ""}},
      {"second author not found keeps an empty reading",
       {"|山田太郎|山田太郎|やまだ|"},
       {"1山田太郎", "5鈴木一郎"},
       {"山田太郎", "やまだ", "", "鈴木一郎", "", ""}},
      {"key holds the role suffix",
       {"|鈴木一郎[訳]|鈴木一郎|すずき|"},
       {"5鈴木一郎 [訳]"},
       {"鈴木一郎", "すずき", "", "", "", ""}},
      {"dictionary name counts for duplicates",
       {"|鈴木|山田太郎|"},
       {"1山田太郎", "5鈴木"},
       {"山田太郎", "", "", "", "", ""}},
      {"key found inside an earlier line",
       {"|太郎|山田太郎|やまだ|", "|山田太郎|山田太郎（本名）|ほんみょう|"},
       {"1山田太郎"},
       {"やまだ", "", "", "", "", ""}},
      {"line without a final bar runs into the next",
       {"|山田太郎|山田 太郎|やまだ", "|鈴木|鈴木|すずき|"},
       {"1山田太郎"},
       {"山田 太郎", "やまだ\r\n", "鈴木", "", "", ""}},
      {"an empty dictionary file changes nothing",
       {},
       {"1山田太郎［ヤマダ］"},
       {"山田太郎", "ヤマダ", "", "", "", ""}},
      // Former faults
      {"an empty name is not looked up at an empty field",
       {"|山田太郎|山田太郎||作家|"},
       {"0［ヤマダ］", "1鈴木"},
       {"鈴木", "", "", "", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    UseDictionary(c.dictionary);
    ExpectAuthors(Assign(c.entries), c.want);
  }
}

TEST_F(AssignAuthorsTest, EmptyListOnlyTrimsOtherContributors) {
  ContributorList list;
  TBase rec;
  rec.OtherContributors = "\r\n佐藤花子 ";
  AssignAuthors(list, rec);
  EXPECT_EQ(rec.OtherContributors, "佐藤花子");
  EXPECT_EQ(rec.Author1, "");
  EXPECT_EQ(rec.Author2, "");
}

}  // namespace
}  // namespace vostrel
