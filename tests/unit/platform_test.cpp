// The POSIX platform layer: code page 932 conversion, half-width mapping and comparison as the
// Win32 calls answer them (the expected values are Windows' answers, taken under Wine), the
// settings reader and the module rules.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vostrel::platform {
namespace {

bool IsLead(unsigned b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Every double-byte code page 932 character: each lead byte with each trail byte.
std::vector<std::string> AllPairs() {
  std::vector<std::string> out;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLead(lead))
      continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail != 0x7F)
        out.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  return out;
}

TEST(AnsiToWide, DecodesAsCodePage932) {
  struct Case {
    const char* label;
    std::string in;
    std::u16string want;
  };
  const Case cases[] = {
      {"ASCII", "A5 z", u"A5 z"},
      {"backslash stays a backslash", "\\", u"\\"},
      {"tilde stays a tilde", "~", u"~"},
      {"hiragana", "あ", u"\u3042"},
      {"kanji whose trail byte is a backslash", "表", u"\u8868"},
      {"half-width katakana", "\xB1", u"\uFF71"},
      {"ideographic space", "　", u"\u3000"},
      {"full-width tilde", "\x81\x60", u"\uFF5E"},
      {"NEC row 13 and its IBM duplicate", "\x87\x54\xFA\x4A", u"\u2160\u2160"},
      {"unassigned code", "\x81\xAD", u"\u30FB"},
      {"lone lead byte at the end", "A\x82", u"A\u30FB"},
      {"lead byte before NUL keeps the NUL", std::string("\x82\0A", 3),
       std::u16string(u"\u30FB\0A", 3)},
      {"lead byte swallows a byte that cannot be a trail byte", "\x82 A", u"\u30FBA"},
      {"bytes 0x80, 0xA0, 0xFD", "\x80\xA0\xFD", u"\u0080\uF8F0\uF8F1"},
      {"empty", "", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(AnsiToWide(c.in), c.want);
  }
}

TEST(WideToAnsi, EncodesAsCodePage932) {
  struct Case {
    const char* label;
    std::u16string in;
    std::string want;
  };
  const Case cases[] = {
      {"ASCII", u"A5 z", "A5 z"},
      {"backslash and tilde", u"\\~", "\\~"},
      {"kana and kanji", u"\u3042\u30AC\u8868", "あガ表"},
      {"middle dot", u"\u30FB", "・"},
      {"yen sign, best fit", u"\u00A5", "\\"},
      {"broken bar, best fit", u"\u00A6", "|"},
      {"accented letter, best fit", u"\u00E9", "e"},
      {"hiragana vu, best fit", u"\u3094", "ヴ"},
      {"Latin-1 middle dot, best fit", u"\u00B7", "・"},
      {"roman numeral one: NEC row 13", u"\u2160", "\x87\x54"},
      {"small roman numeral one: IBM code", u"\u2170", "\xFA\x40"},
      {"broken bar full width: IBM code", u"\uFFE4", "\xFA\x55"},
      {"no code page 932 character", u"\u0100\u4E02\u2212", "???"},
      {"wave dash is not the full-width tilde", u"\u301C", "?"},
      {"surrogate pair gives one ? per unit", u"\xD83D\xDE00", "??"},
      {"private use", u"\uE000", "\xF0\x40"},
      {"empty", u"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(WideToAnsi(c.in), c.want);
  }
}

// Every character that decodes to a unit of its own encodes back to a code of that unit (the
// character itself, or the duplicate Windows prefers), and every single byte but the lead bytes
// round-trips exactly.
TEST(WideToAnsi, EveryCharacterRoundTrips) {
  for (const std::string& code : AllPairs()) {
    const std::u16string wide = AnsiToWide(code);
    ASSERT_EQ(wide.size(), 1u);
    if (wide == u"\u30FB" && code != "・")
      continue;  // unassigned
    const std::string back = WideToAnsi(wide);
    EXPECT_EQ(AnsiToWide(back), wide)
        << std::hex
        << (static_cast<unsigned char>(code[0]) << 8 | static_cast<unsigned char>(code[1]));
  }
  for (unsigned b = 0; b < 0x100; ++b) {
    if (IsLead(b))
      continue;
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(WideToAnsi(AnsiToWide(byte)), byte) << b;
  }
}

// Long texts go through the eight-unit path for runs of ASCII: whatever stands at any place of
// a run (a two-byte code, an unmappable unit, a control character), the whole text encodes as
// its units one by one do.
TEST(WideToAnsi, LongTextsEncodeAsTheirUnitsDo) {
  struct Case {
    const char* label;
    char16_t unit;
  };
  const Case cases[] = {
      {"kanji", u'\u8868'},
      {"half-width katakana", u'\uFF71'},
      {"no code page 932 character", u'\u0100'},
      {"best fit to ASCII", u'\u00A5'},
      {"NUL", u'\0'},
      {"DEL", u'\x7F'},
  };
  const std::u16string run = u"<td class=\"t-td-full\" align=\"left\">";
  for (const Case& c : cases) {
    for (std::size_t at = 0; at <= run.size(); ++at) {
      SCOPED_TRACE(std::string(c.label) + " at " + std::to_string(at));
      std::u16string text = run;
      text.insert(at, 1, c.unit);
      std::string want;
      for (char16_t unit : text)
        want += WideToAnsi(std::u16string(1, unit));
      EXPECT_EQ(WideToAnsi(text), want);
    }
  }
}

TEST(HalfWidthAnsi, MapsLikeLCMapStringA) {
  struct Case {
    const char* label;
    std::string in, want;
  };
  std::string voiced, voicedHalf;
  for (int i = 0; i < 300; ++i) {
    voiced += "ガ";
    voicedHalf += "ｶﾞ";
  }
  const Case cases[] = {
      {"voiced kana split", "ガギ", "ｶﾞｷﾞ"},
      {"semi-voiced kana split", "パピプ", "ﾊﾟﾋﾟﾌﾟ"},
      {"reading with a space", "ヤマダ タロウ", "ﾔﾏﾀﾞ ﾀﾛｳ"},
      {"full-width letter and digit", "Ａ５", "A5"},
      {"full-width size", "１９ｃｍ", "19cm"},
      {"ideographic space", "　", " "},
      {"hiragana and kanji unchanged", "ひらがな漢字", "ひらがな漢字"},
      {"vu", "ヴ", "ｳﾞ"},
      {"small ka and ke have no half-width form", "ヵヶ", "ヵヶ"},
      {"long vowel, middle dot, corner brackets", "ー・「」", "ｰ･｢｣"},
      {"full-width comma", "，", ","},
      {"full-width yen through the yen sign", "￥１，５００", "\\1,500"},
      {"sound marks", "゛゜", "ﾞﾟ"},
      {"half width already", "ｶﾞ", "ｶﾞ"},
      {"voiced repeat mark grows to three bytes", "ヾ", "ヽﾞ"},
      {"unassigned code becomes the half-width middle dot", "\x81\xAD", "･"},
      {"lone lead byte", "A\x83", "A･"},
      {"longer than 255 bytes, mapped whole", voiced, voicedHalf},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(HalfWidthAnsi(c.in), c.want);
  }
}

TEST(HalfWidthWide, MapsLikeLCMapStringW) {
  struct Case {
    const char* label;
    std::u16string in, want;
  };
  const Case cases[] = {
      {"voiced katakana", u"\u30AC", u"\uFF76\uFF9E"},
      {"katakana without half-width form keeps the base", u"\u30F8", u"\u30F0\uFF9E"},
      {"combining sound mark", u"\u30AB\u3099", u"\uFF76\uFF9E"},
      {"ideographic space", u"\u3000", u" "},
      {"full-width letters", u"\uFF41\uFF3A", u"aZ"},
      {"hiragana unchanged", u"\u3042", u"\u3042"},
      {"empty", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(HalfWidthWide(c.in), c.want);
  }
}

int Sign(int v) {
  return (v > 0) - (v < 0);
}

TEST(CompareIgnoreCase, OrdersLikeCompareStringA) {
  struct Case {
    const char* label;
    std::string a, b;
    int want;
  };
  const Case cases[] = {
      {"role digit first", "1山田", "2山田", -1},
      {"role digit before the name", "9山田", "1山田", 1},
      {"case ignored", "1John Smith", "1john smith", 0},
      {"case ignored, capitals", "1JOHN SMITH", "1john smith", 0},
      {"letters ignore case", "1a", "1B", -1},
      {"letters ignore case, reversed", "1b", "1A", 1},
      {"digits before letters", "19", "1A", -1},
      {"Latin before kana", "1Zeta", "1あべ", -1},
      {"kana before kanji", "1あべ", "1山田", -1},
      {"prefix first", "1山田", "1山田太郎", -1},
      {"suffix after the name", "1山田太郎", "1山田太郎 [訳]", -1},
      {"space before bracket", "5鈴木一郎 [訳]", "5鈴木一郎[編著]", -1},
      {"space sorts before letters", "1ヤマダ タロウ", "1ヤマダタロウ", -1},
      {"katakana before hiragana", "1あべ", "1アベ", 1},
      {"half width after full width", "1アベ", "1ｱﾍﾞ", -1},
      {"half-width reading before full width", "1ｶｰﾀｰ", "1カーター", -1},
      {"unvoiced, voiced, semi-voiced", "1ハ", "1バ", -1},
      {"voiced before semi-voiced", "1バ", "1パ", -1},
      {"separate sound mark after the voiced kana", "1ｶﾞ", "1ガ", 1},
      {"long-vowel mark weighs as the vowel, then after it", "1カーター", "1カアター", 1},
      {"hiragana repeat mark after the plain kana", "1さゝき", "1ささき", 1},
      {"kanji repeat mark equals the repeated kanji", "1佐々木", "1佐佐木", 0},
      {"apostrophe weighs last", "1OBrien", "1O'Brien", -1},
      {"hyphen weighs last", "1Mary-Jane", "1MaryJane", 1},
      {"space weighs as a character", "1O Brien", "1OBrien", -1},
      {"full-width bracket after ASCII bracket", "1［ヤマダ］", "1[ヤマダ]", 1},
      {"middle dot after space", "1山田・太郎", "1山田 太郎", 1},
      {"full-width digit after digit", "1１", "11", 1},
      {"full-width letter after letter", "1ａ", "1A", 1},
      {"trailing space counts", "1", "1 ", -1},
      {"empty first", "", "1", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Sign(CompareIgnoreCase(c.a, c.b)), c.want);
    EXPECT_EQ(Sign(CompareIgnoreCase(c.b, c.a)), -c.want);
  }
}

TEST(CompareIgnoreCase, SortsContributorEntries) {
  // The order CompareStringA gives these entries of one page.
  const std::vector<std::string> want = {
      "0ジョン・スミス",
      "1Yamada",
      "1ヤマダ",
      "1やまだ",
      "1ﾔﾏﾀﾞ",
      "1山田太郎",
      "1山田太郎［ヤマダ タロウ］",
      "2山田",
      "3佐々木 [脚本]",
      "4田中 [監修]",
      "5鈴木一郎 [訳]",
      "9佐藤花子 [解説]",
      "9佐藤花子その他",
  };
  std::vector<std::string> entries(want.rbegin(), want.rend());
  std::rotate(entries.begin(), entries.begin() + 5, entries.end());
  std::sort(entries.begin(), entries.end(),
            [](const std::string& a, const std::string& b) { return CompareIgnoreCase(a, b) < 0; });
  EXPECT_EQ(entries, want);
}

class ReadIniStringTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(testing::TempDir()) / "vostrel-ini-test";
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "Setting.ini").string();
    std::ofstream(path_, std::ios::binary) << "; host settings\r\n"
                                              "[Other]\r\n"
                                              "TaxSet=9\r\n"
                                              "[Entry]\r\n"
                                              "PurachaseSet=1\r\n"
                                              "  TaxSet  =  2  \r\n"
                                              "ReadSet=\"未読\"\r\n"
                                              "Empty=\r\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
  std::string path_;
};

TEST_F(ReadIniStringTest, GivesTheValueOrTheFallback) {
  struct Case {
    const char* label;
    std::string section, key, want;
  };
  const Case cases[] = {
      {"key present", "Entry", "PurachaseSet", "1"},
      {"blanks around name and value", "Entry", "TaxSet", "2"},
      {"enclosing quotes removed", "Entry", "ReadSet", "未読"},
      {"present but empty is not the fallback", "Entry", "Empty", ""},
      {"section name ignores case", "ENTRY", "PurachaseSet", "1"},
      {"key name ignores case", "Entry", "purachaseset", "1"},
      {"key only in another section", "Other", "PurachaseSet", "fallback"},
      {"key missing", "Entry", "Missing", "fallback"},
      {"section missing", "Nowhere", "TaxSet", "fallback"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(ReadIniString(path_, c.section, c.key, "fallback"), c.want);
  }
  EXPECT_EQ(ReadIniString((dir_ / "missing.ini").string(), "Entry", "TaxSet", "0"), "0");
}

TEST(LoadModule, RunningExecutableGivesTheMainProgram) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(MainExecutableDirectory(), exe.parent_path().string());

  // dlopen refuses a second copy of a position-independent executable; the layer hands back
  // the main program instead, also for a path that names it in a roundabout way.
  const std::string roundabout =
      (exe.parent_path() / ".." / exe.parent_path().filename() / "." / exe.filename()).string();
  for (const std::string& path : {exe.string(), roundabout}) {
    SCOPED_TRACE(path);
    ModuleHandle module = LoadModule(path);
    ASSERT_NE(module, nullptr);
    void* found = FindFunction(module, "malloc");
    EXPECT_NE(found, nullptr);
    EXPECT_EQ(found, FindFunction(nullptr, "malloc"));
    ReleaseModule(module);
  }
  EXPECT_EQ(LoadModule((exe.parent_path() / "no-such-module.so").string()), nullptr);
  ReleaseModule(nullptr);
}

TEST(JoinPath, AddsOneSeparator) {
  EXPECT_EQ(JoinPath("/opt/zelkon", "Setting.ini"), "/opt/zelkon/Setting.ini");
  EXPECT_EQ(JoinPath("/", "zelkon"), "/zelkon");
  EXPECT_EQ(JoinPath("dir/", "zelkon"), "dir/zelkon");
}

}  // namespace
}  // namespace vostrel::platform
