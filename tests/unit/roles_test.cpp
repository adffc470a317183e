#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "contributors/contributors.h"
#include "cpu_time.h"

namespace vostrel {
namespace {

// The separator the page scan passes.
constexpr std::string_view kSeparator = "／";

std::vector<std::string> Parse(std::string_view statement) {
  ContributorList list;
  ParseContributors(statement, kSeparator, list);
  return list.Entries();
}

// One statement per row of the role table, in table order, and the one entry it must add.
// A row whose word is anchored to the segment's start or end is reached through the signs the
// statement turns into spaces ("〔著〕山田" starts its segment with "著 ").
TEST(ParseContributors, EveryRoleRowIsReached) {
  struct Case {
    const char* label;
    std::string statement, want;
  };
  const Case cases[] = {
      {"1 著者", "山田著者", "1山田"},
      {"2 編・著", "山田編・著", "9山田[編・著]"},
      {"3 編著", "山田太郎編著", "9山田太郎[編著]"},
      {"4 著 at the start", "〔著〕山田太郎", "1山田太郎"},
      {"5 著 at the end", "山田太郎著", "1山田太郎"},
      {"5 著 after a colon", "山田太郎：著", "1山田太郎"},
      {"6 著 before a reading", "山田太郎著［ヤマダタロウ］", "1山田太郎［ヤマダタロウ］"},
      {"7 漫画", "漫画鈴木", "1鈴木"},
      {"8 画 at the start", "〔画〕鈴木", "1鈴木"},
      {"9 画 at the end", "鈴木〔画〕", "1鈴木"},
      {"10 イラスト/作画", "鈴木イラスト/作画", "2鈴木"},
      {"11 作画", "鈴木作画", "1鈴木"},
      {"12 小説", "小説山田", "1山田"},
      {"13 (文)", "山田（文）", "1山田"},
      {"14 (著)", "山田太郎（著）", "1山田太郎"},
      {"15 【著】", "【著】山田", "1山田"},
      {"16 画 before a reading", "鈴木画［スズキ］", "1鈴木［スズキ］"},
      {"17 原作者", "原作者山田", "2山田"},
      {"18 原作", "原作山田", "2山田"},
      {"19 作 at the start", "〔作〕山田", "2山田"},
      {"20 作 at the end", "山田：作", "2山田"},
      {"21 作 before a reading", "山田作［ヤマダ］", "2山田［ヤマダ］"},
      {"22 イラスト", "山田（イラスト）", "2山田"},
      {"23 イ at the start", "〔イ〕山田", "2山田"},
      {"24 イ before a reading", "山田イ［ヤマダ］", "2山田［ヤマダ］"},
      {"25 (画)", "山田（画）", "2山田"},
      {"26 (絵)", "山田（絵）", "2山田"},
      {"27 執筆", "山田執筆", "3山田 [執筆]"},
      {"28 脚本", "山田脚本", "3山田 [脚本]"},
      {"29 シナリオ", "山田シナリオ", "3山田 [シナリオ]"},
      {"30 キャラクター原案", "山田キャラクター原案", "3山田 [キャラクター原案]"},
      {"31 ストーリー原案", "山田ストーリー原案", "3山田 [ストーリー原案]"},
      {"32 原案", "山田原案", "3山田 [原案]"},
      {"33 案 at the start", "〔案〕山田", "3山田 [案]"},
      {"34 案 before a reading", "山田案［ヤマダ］", "3山田［ヤマダ］ [案]"},
      {"35 監修他", "山田監修他", "4山田 [監修他]"},
      {"36 監修", "山田監修", "4山田 [監修]"},
      {"37 監訳", "山田監訳", "4山田 [監訳]"},
      {"38 翻訳", "山田翻訳", "5山田 [翻訳]"},
      {"39 訳 at the start", "〔訳〕山田", "5山田 [訳]"},
      {"40 訳 at the end", "鈴木一郎訳", "5鈴木一郎 [訳]"},
      {"41 (訳)", "山田（訳）", "5山田 [訳]"},
      {"42 訳 before a reading", "山田訳［ヤマダ］", "5山田［ヤマダ］ [訳]"},
      {"43 解説", "佐藤花子解説", "9佐藤花子 [解説]"},
      {"44 責任編集", "山田責任編集", "9山田 [責任編集]"},
      {"45 構成・編集", "山田構成・編集", "9山田 [構成・編集]"},
      {"46 編集 at the start", "〔編集〕山田", "9山田 [編集]"},
      {"47 編集 at the end", "山田編集", "9山田 [編集]"},
      {"48 編 at the start", "〔編〕山田", "9山田 [編]"},
      {"49 編 at the end", "山田太郎〔ほか〕編", "9山田太郎 ほか [編]"},
      {"50 (編)", "山田（編）", "9山田 [編]"},
      {"51 編 before a reading", "〔山田太郎〕編［ヤマダタロウ］",
       "9山田太郎［ヤマダタロウ］ [編]"},
      {"52 その他", "山田その他", "9山田その他"},
      {"no role word", "山田太郎", "0山田太郎"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Parse(c.statement), std::vector<std::string>{c.want});
  }
}

// Where a segment holds the words of two rows, the earlier row decides and only its word goes.
TEST(ParseContributors, EarlierRowWins) {
  struct Case {
    const char* label;
    std::string statement, want;
  };
  const Case cases[] = {
      {"監修他 before 監修", "山田監修 鈴木監修他", "4山田監修 鈴木 [監修他]"},
      {"原作者 before 原作", "原作山田 原作者", "2原作山田"},
      {"キャラクター原案 before 原案", "山田原案 鈴木キャラクター原案",
       "3山田原案 鈴木 [キャラクター原案]"},
      {"ストーリー原案 before 原案", "山田原案 鈴木ストーリー原案",
       "3山田原案 鈴木 [ストーリー原案]"},
      {"編・著 before 著 at the end", "山田編・著 鈴木著", "9山田 鈴木著[編・著]"},
      {"編著 before 著 at the end", "山田編著 鈴木著", "9山田 鈴木著[編著]"},
      {"編著 before 著 and a reading", "山田編著［ヤマダ］", "9山田［ヤマダ］[編著]"},
      {"イラスト/作画 before 作画", "山田イラスト/作画", "2山田"},
      {"責任編集 before 編集 at the end", "山田責任編集", "9山田 [責任編集]"},
      {"著 at the end before 訳 at the start", "〔訳〕山田著", "1訳 山田"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Parse(c.statement), std::vector<std::string>{c.want});
  }
}

TEST(ParseContributors, SegmentsAndCleanUp) {
  struct Case {
    const char* label;
    std::string statement;
    std::vector<std::string> want;  // in list order
  };
  const Case cases[] = {
      {"two contributors", "山田太郎著／鈴木一郎訳", {"1山田太郎", "5鈴木一郎 [訳]"}},
      {"three contributors",
       "山田太郎著／鈴木一郎訳／佐藤花子解説",
       {"1山田太郎", "5鈴木一郎 [訳]", "9佐藤花子 [解説]"}},
      {"list order by role digit", "原作山田／漫画鈴木", {"1鈴木", "2山田"}},
      {"empty segments give nothing", "／山田著／／鈴木訳／", {"1山田", "5鈴木 [訳]"}},
      {"empty statement", "", {}},
      {"only separators", "／／", {}},
      {"他 alone", "他", {}},
      {"ほか alone", "ほか", {}},
      {"ほか with a role word", "ほか著", {}},
      {"ほか in brackets with a role word", "〔ほか〕編", {}},
      {"他 as its own segment", "山田著／他", {"1山田"}},
      {"ほか kept inside a name", "山田太郎ほか著", {"1山田太郎ほか"}},
      {"yen sign never splits", "山田￥太郎著", {"1山田\\太郎"}},
      {"middle dots dropped at the ends", "・山田太郎・", {"0山田太郎"}},
      {"middle dot kept inside", "佐藤一・編", {"0佐藤一・編"}},
      {"full-width letters narrowed", "ＡＢＣ著", {"1ABC"}},
      {"markup removed", "<b>山田</b>著", {"1山田"}},
      {"full-width space is a space", "〔著〕　山田", {"1山田"}},
      {"exclamation mark narrowed", "山田！著", {"1山田!"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Parse(c.statement), c.want);
  }
}

TEST(ParseContributors, OtherSeparator) {
  // With another separator a full-width slash is only a space inside a segment.
  ContributorList list;
  ParseContributors("山田／鈴木著;佐藤訳", ";", list);
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"1山田 鈴木", "5佐藤 [訳]"}));
}

// Former faults: a role word whose bytes run across two characters, and a "・" made of a kanji's
// trail byte 0x81 and the "E" after it.
TEST(ParseContributors, MatchesOnlyWholeCharacters) {
  // 塩汢襦 is 89 96 | 9F 89 | E6 40: the bytes 96 9F 89 E6 (漫画) lie across its characters.
  EXPECT_EQ(Parse("塩汢襦"), std::vector<std::string>{"0塩汢襦"});
  // 堰 is 89 81; "堰E" ends with the bytes 81 45 of "・" without ending in one.
  EXPECT_EQ(Parse("鈴木堰E"), std::vector<std::string>{"0鈴木堰E"});
  EXPECT_EQ(Parse("鈴木堰E・"), std::vector<std::string>{"0鈴木堰E"});
}

TEST(ContributorList, SortedByRoleDigitWithoutDuplicates) {
  ContributorList list;
  ParseContributors("山田編集／鈴木翻訳／佐藤監修／田中脚本／高橋原作／伊藤著／渡辺", kSeparator,
                    list);
  EXPECT_EQ(list.Entries(),
            (std::vector<std::string>{"0渡辺", "1伊藤", "2高橋", "3田中 [脚本]", "4佐藤 [監修]",
                                      "5鈴木 [翻訳]", "9山田 [編集]"}));

  // A second row of the same page: an exact repeat and an ASCII case variant add nothing, the
  // same name with another role adds an entry.
  ParseContributors("伊藤著／渡辺／高橋原作", kSeparator, list);
  ParseContributors("abc著", kSeparator, list);
  ParseContributors("ABC著／伊藤訳", kSeparator, list);
  const std::vector<std::string>& held = list.Entries();
  EXPECT_EQ(held.size(), 9u);
  EXPECT_EQ(std::count(held.begin(), held.end(), "1伊藤"), 1);
  EXPECT_EQ(std::count(held.begin(), held.end(), "1abc"), 1);
  EXPECT_EQ(std::count(held.begin(), held.end(), "1ABC"), 0);
  EXPECT_EQ(std::count(held.begin(), held.end(), "5伊藤 [訳]"), 1);
  EXPECT_TRUE(std::is_sorted(held.begin(), held.end(),
                             [](const auto& a, const auto& b) { return a.front() < b.front(); }));
}

TEST(ContributorList, AddReportsDuplicates) {
  ContributorList list;
  EXPECT_TRUE(list.Add("5b"));
  EXPECT_TRUE(list.Add("1abc"));
  EXPECT_FALSE(list.Add("1ABC"));
  EXPECT_FALSE(list.Add("5b"));
  EXPECT_TRUE(list.Add("0z"));
  EXPECT_TRUE(list.Add("9a"));
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"0z", "1abc", "5b", "9a"}));
}

// Splitting and classifying walk the statement once. A 1 MB segment and 50 000 segments in
// 2 MB take about 0.1 s, and about a second under the sanitizers; cutting each segment off the
// front of the statement, or searching it from the start again, would move or read some 50 GB.
TEST(ParseContributors, LinearInTheStatement) {
  const std::string longName(1 << 20, 'a');
  const std::string name = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string many;
  for (int i = 0; i < 50000; ++i)
    many += name + "著／";
  const double took = testing::CpuSeconds([&] {
    EXPECT_EQ(Parse(longName + "著"), std::vector<std::string>{"1" + longName});
    EXPECT_EQ(Parse(many), std::vector<std::string>{"1" + name});
  });
  EXPECT_LT(took, 3.0 * testing::kBuildSlowdown);
}

}  // namespace
}  // namespace vostrel
