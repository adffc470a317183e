#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"

namespace vostrel {
namespace {

using namespace std::string_literals;

TEST(Utf8ToAnsi, DecodesToCodePage932) {
  struct Case {
    const char* label;
    std::string in, want;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"ASCII with every kind of line break", "a\r\nb\rc\nd\t~", "a\r\nb\rc\nd\t~"},
      {"hiragana a", "\xE3\x81\x82", "\x82\xA0"},
      {"kanji between ASCII", "<b>\xE6\x9C\xAC</b>", "<b>\x96\x7B</b>"},
      {"ideographic space", "\xE3\x80\x80", "\x81\x40"},
      {"two-byte sequence, then text", "\xC3\x97x", "\x81\x7Ex"},  // U+00D7 multiplication sign
      {"half-width katakana", "\xEF\xBD\xB1", "\xB1"},
      // Trail bytes are not checked: 0xCE 0x31 is one sequence giving U+03B1 (alpha), so the
      // digit 1 never appears on its own.
      {"lead byte swallows the next byte",
       "\xCE"
       "1"
       "B",
       "\x83\xBF"
       "B"},
      {"overlong slash", "\xC0\xAF", "/"},
      {"character outside the BMP", "a\xF0\x9F\x98\x80z", "a?z"},  // U+1F600
      {"outside the BMP, cut short", "a\xF0\x9F", "a?"},
      // A cut-off sequence reads zero bytes past the end and ends the text.
      {"three-byte sequence cut after two bytes", "a\xE3\x80", "a\x81\x40"},  // U+3000
      {"lone lead byte at the end", "ab\xE3", "ab\x81\x40"},
      {"zero byte ends the page", "ab\0\x80"s, "ab"},
      {"overlong zero ends the page",
       "ab\xC0\x80"
       "cd",
       "ab"},
      // A zero byte inside a sequence is consumed with it; the walk goes on after it.
      {"zero trail byte consumed", "\xD1\0x"s, "\x84\x82x"},  // U+0440 (Cyrillic er)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Utf8ToAnsi(c.in), c.want);
  }
}

TEST(Utf8ToAnsi, RejectsBytesThatCannotBeginASequence) {
  struct Case {
    const char* label;
    std::string in;
  };
  const Case cases[] = {
      {"continuation byte first", "\x80"},
      {"last continuation byte first",
       "\xBF"
       "abc"},
      {"continuation byte after a complete sequence", "\xE3\x81\x82\x82"},
      {"extra continuation after a two-byte sequence", "x\xC3\xA9\xA9"},
      {"0xF8", "ab\xF8"},
      {"0xFF", "\xFF"},
      // A Shift-JIS page handed over by mistake: 0x82 stands where a sequence begins.
      {"Shift-JIS text", "\x82\xA0"},
      // The error is raised even after a sequence that decodes to zero.
      {"after an overlong zero", "\xC0\x80\x80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    try {
      Utf8ToAnsi(c.in);
      ADD_FAILURE() << "no error";
    } catch (const DecodeError& e) {
      EXPECT_STREQ(e.what(), "UTF-8 Unknown code.");
    }
  }
}

// Every prefix of a mixed page decodes or fails cleanly: a sequence cut by the end never reads
// beyond the text (AddressSanitizer watches the reads).
TEST(Utf8ToAnsi, EveryPrefixStaysInsideTheText) {
  const std::string page = "<p>\xE6\x9C\xAC\xC3\x97\xF0\x9F\x98\x80\xE3\x81\x82</p>\r\n";
  for (std::size_t n = 0; n <= page.size(); ++n) {
    SCOPED_TRACE(n);
    // A heap block of exactly n bytes, with no terminator or spare capacity behind it.
    const auto block = std::make_unique<char[]>(n);
    std::memcpy(block.get(), page.data(), n);
    const std::string got = Utf8ToAnsi(std::string_view(block.get(), n));
    // Whatever the cut, the kanji that was complete before it stays whole.
    if (n >= 6) {
      EXPECT_EQ(got.substr(0, 5), "<p>\x96\x7B");
    }
  }
}

// Runs of ASCII are decoded eight bytes at a time and runs of kana and kanji four characters
// at a time. Whatever stands at any place of such a run, and however the run ends, the page
// decodes as its characters do one by one (each alone is too short for the runs' paths).
TEST(Utf8ToAnsi, AnythingInsideALongRun) {
  struct Insert {
    const char* label;
    std::string bytes;
    bool ends = false;  // the page ends where it stands
    bool fails = false;
  };
  const Insert inserts[] = {
      {"hiragana a", "\xE3\x81\x82"},
      {"two-byte sequence", "\xC3\x97"},
      {"outside the BMP", "\xF0\x9F\x98\x80"},
      {"control character", "\x01"},
      {"ASCII letter", "a"},
      {"three-byte sequence with ASCII trail bytes",
       "\xE3"
       "ab"},
      {"zero byte", "\0"s, true},
      {"overlong zero, two bytes", "\xC0\x80", true},
      {"overlong zero, three bytes", "\xE0\x80\x80", true},
      {"continuation byte", "\x80", false, true},
      {"0xFF", "\xFF", false, true},
  };
  struct Run {
    const char* label;
    std::vector<std::string> characters;
  };
  std::vector<std::string> ascii, kanji;
  for (char c : std::string_view("<td class=\"t-td-full\" align=\"left\">"))
    ascii.emplace_back(1, c);
  // 硝子の庭ある庭師の手記を読む
  for (const char* c :
       {"\xE7\xA1\x9D", "\xE5\xAD\x90", "\xE3\x81\xAE", "\xE5\xBA\xAD", "\xE3\x81\x82",
        "\xE3\x82\x8B", "\xE5\xBA\xAD", "\xE5\xB8\xAB", "\xE3\x81\xAE", "\xE6\x89\x8B",
        "\xE8\xA8\x98", "\xE3\x82\x92", "\xE8\xAA\xAD", "\xE3\x82\x80"})
    kanji.emplace_back(c);
  const Run runs[] = {{"ASCII", ascii}, {"kanji", kanji}};

  for (const Run& run : runs) {
    const std::size_t count = run.characters.size();
    for (const Insert& insert : inserts) {
      for (std::size_t at = 0; at <= count; ++at) {
        for (std::size_t length : {at, count}) {
          SCOPED_TRACE(std::string(run.label) + " run, " + insert.label + " at " +
                       std::to_string(at) + " of " + std::to_string(length));
          std::string page, want;
          for (std::size_t k = 0; k < length; ++k) {
            if (k == at)
              page += insert.bytes;
            page += run.characters[k];
          }
          if (at == length)
            page += insert.bytes;
          if (insert.fails) {
            EXPECT_THROW(Utf8ToAnsi(page), DecodeError);
            continue;
          }
          for (std::size_t k = 0; k < at; ++k)
            want += Utf8ToAnsi(run.characters[k]);
          if (!insert.ends) {
            want += Utf8ToAnsi(insert.bytes);
            for (std::size_t k = at; k < length; ++k)
              want += Utf8ToAnsi(run.characters[k]);
          }
          EXPECT_EQ(Utf8ToAnsi(page), want);
        }
      }
    }
  }
}

// A page longer than the decoder's buffer of units comes out whole, across the buffer's seams.
TEST(Utf8ToAnsi, LongPageComesOutWhole) {
  std::string page, want;
  for (int k = 0; k < 20000; ++k) {
    page += k % 3 == 0 ? "\xE3\x81\x82" : k % 3 == 1 ? "ab" : "\xC3\x97";
    want += k % 3 == 0 ? "\x82\xA0" : k % 3 == 1 ? "ab" : "\x81\x7E";
  }
  EXPECT_EQ(Utf8ToAnsi(page), want);
}

// A byte that cannot begin a sequence fails the page wherever it stands, also far behind a
// sequence that decoded to zero.
TEST(Utf8ToAnsi, BadByteFailsAfterALongRunBehindAnOverlongZero) {
  const std::string page = "ab\xC0\x80" + std::string(40, 'x') + "\x80" + std::string(20, 'y');
  EXPECT_THROW(Utf8ToAnsi(page), DecodeError);
}

}  // namespace
}  // namespace vostrel
