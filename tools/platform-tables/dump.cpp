// Prints what the platform layer's text operations give for every input that matters, one line
// per input, so that the Win32 build (run under Wine) and the POSIX build can be compared line by
// line and the POSIX tables can be generated from the Win32 answers.
//
// Usage: dump [SECTION...] [--corpus FILE]
//   a2w   AnsiToWide: every byte alone, every lead byte with every trail byte, a lead byte
//         followed by bytes that cannot be trail bytes
//   w2a   WideToAnsi: every UTF-16 unit alone, and surrogate pairs
//   hwa   HalfWidthAnsi: every code page 932 character alone, and texts of several characters
//   hww   HalfWidthWide: every UTF-16 unit alone, and texts of several units
//   cmp   CompareIgnoreCase: empty texts, every code page 932 character sorted, texts of two
//         characters and random texts of up to eight sorted, and the corpus (one entry per line
//         of FILE) sorted with every pairwise sign
//   keys  (Win32 only) the locale's sort key of every character and of the corpus entries
// With no section, all of a2w w2a hwa hww cmp are printed.
//
// Every line is "<section> <input> <output>" with both sides in hexadecimal (bytes for narrow
// text, four digits per unit for wide text); an empty side is written as "-".
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dump.h"
#include "platform/platform.h"

namespace vostrel::tools {

namespace {

namespace platform = vostrel::platform;

constexpr char kHex[] = "0123456789abcdef";

bool IsLead(unsigned b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsTrail(unsigned b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// Every code page 932 character as its bytes: the single bytes that are not lead bytes, then
// every lead byte with every trail byte, in byte order.
std::vector<std::string> AllCharacters() {
  std::vector<std::string> out;
  for (unsigned b = 0; b < 0x100; ++b) {
    if (!IsLead(b))
      out.emplace_back(1, static_cast<char>(b));
  }
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLead(lead))
      continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (IsTrail(trail))
        out.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  return out;
}

// Narrow texts of several characters whose mapping depends on more than one character at a
// time, given in UTF-8 and converted with the layer under test (the conversion is checked on
// its own in a2w/w2a).
const char8_t* const kHalfWidthTexts[] = {
    u8"ガギ",
    u8"ヤマダ タロウ",
    u8"パピプペポ",
    u8"ヴァイオリン",
    u8"カ゛",
    u8"カ゜",
    u8"ハ゜",
    u8"ｶﾞ",
    u8"ｶ゛",
    u8"か゛",
    u8"ワ゛",
    u8"ウ゛",
    u8"ヽヾゝゞ",
    u8"ー－―‐",
    u8"Ａ５判",
    u8"１９ｃｍ",
    u8"　全角　空白　",
    u8"￥１，５００",
    u8"「ホン」の［ハナシ］",
    u8"ｱｲｳｴｵ",
    u8"山田太郎",
    u8"ひらがなカタカナ",
    u8"㈱ＮＥＣ",
    u8"①②③",
    u8"ゐゑヰヱヮヵヶ",
    u8"〜～",
    u8"“”‘’",
    u8"ＡＢＣ－ＸＹＺ",
};

std::string FromUtf8(std::u8string_view text) {
  std::u16string wide;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned b = text[i];
    char32_t c = b;
    std::size_t n = 1;
    if (b >= 0xF0) {
      c = b & 0x07;
      n = 4;
    } else if (b >= 0xE0) {
      c = b & 0x0F;
      n = 3;
    } else if (b >= 0xC0) {
      c = b & 0x1F;
      n = 2;
    }
    for (std::size_t k = 1; k < n && i + k < text.size(); ++k)
      c = (c << 6) | (text[i + k] & 0x3F);
    i += n;
    if (c >= 0x10000) {
      wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<char16_t>(c);
    }
  }
  return platform::WideToAnsi(wide);
}

// One or two characters whose relative order shows the comparison's levels: letters in both
// cases and widths, digits, kana of both kinds and widths with their sound marks, small kana,
// the long-vowel and repeat marks, brackets, middle dots, spaces and a few kanji.
const char8_t kPairAlphabet[] =
    u8"0159AaBbZzＡａＢｂ09０９ -'・･[]［］()（）.,、。"
    u8"あいかがぱはばぁアイカガパハバァヴヵヶーｰｱｲｶｶﾞﾊﾟｧﾞﾟ゛゜ゝゞヽヾ々〃"
    u8"山田一丁亜腕熙";

}  // namespace

Output::Output() {
  buffer_.reserve(1 << 20);
}

Output::~Output() {
  Flush();
}

void Output::Flush() {
  std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
  buffer_.clear();
}

void Output::Hex(std::string_view bytes) {
  if (bytes.empty())
    buffer_ += '-';
  for (unsigned char b : bytes) {
    buffer_ += kHex[b >> 4];
    buffer_ += kHex[b & 15];
  }
}

void Output::Hex(std::u16string_view units) {
  if (units.empty())
    buffer_ += '-';
  for (char16_t u : units) {
    for (int shift = 12; shift >= 0; shift -= 4)
      buffer_ += kHex[(u >> shift) & 15];
  }
}

void Output::Text(std::string_view text) {
  buffer_ += text;
  if (buffer_.size() > (1 << 20))
    Flush();
}

namespace {

void DumpAnsiToWide(Output& out) {
  std::vector<std::string> inputs;
  for (unsigned b = 0; b < 0x100; ++b)
    inputs.emplace_back(1, static_cast<char>(b));
  for (const std::string& c : AllCharacters()) {
    if (c.size() == 2)
      inputs.push_back(c);
  }
  // A lead byte before a byte that cannot follow it, and a lone lead byte at the end of a text.
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLead(lead))
      continue;
    for (unsigned next = 0; next < 0x100; ++next) {
      if (!IsTrail(next))
        inputs.push_back({static_cast<char>(lead), static_cast<char>(next), 'A'});
    }
    inputs.push_back({'A', static_cast<char>(lead)});
  }
  for (const std::string& in : inputs) {
    out.Text("a2w ");
    out.Hex(in);
    out.Text(" ");
    out.Hex(platform::AnsiToWide(in));
    out.Text("\n");
  }
}

void DumpWideToAnsi(Output& out) {
  std::vector<std::u16string> inputs;
  for (unsigned u = 0; u <= 0xFFFF; ++u)
    inputs.emplace_back(1, static_cast<char16_t>(u));
  inputs.push_back(u"\xD83D\xDE00");  // a valid surrogate pair
  inputs.push_back(
      u"\xD840\xDC0B"
      u"A");  // a pair for a CJK extension B character
  inputs.push_back(
      u"\xD800"
      u"A\xDC00");                    // halves apart
  inputs.push_back(u"\xDC00\xD800");  // halves in the wrong order
  for (const std::u16string& in : inputs) {
    out.Text("w2a ");
    out.Hex(in);
    out.Text(" ");
    out.Hex(platform::WideToAnsi(in));
    out.Text("\n");
  }
}

void DumpHalfWidthAnsi(Output& out) {
  std::vector<std::string> inputs = AllCharacters();
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (IsLead(lead))
      inputs.push_back({'A', static_cast<char>(lead)});
  }
  for (const char8_t* text : kHalfWidthTexts)
    inputs.push_back(FromUtf8(text));
  // Long texts: 300 voiced katakana (600 bytes in, 600 out), and every katakana in a row.
  std::string voiced;
  for (int i = 0; i < 300; ++i)
    voiced += FromUtf8(u8"ガ");
  inputs.push_back(voiced);
  std::string katakana;
  for (unsigned trail = 0x40; trail <= 0x96; ++trail) {
    if (IsTrail(trail))
      katakana += {static_cast<char>(0x83), static_cast<char>(trail)};
  }
  inputs.push_back(katakana);
  // Every katakana followed by each sound mark, full and half width.
  for (unsigned trail = 0x40; trail <= 0x96; ++trail) {
    if (!IsTrail(trail))
      continue;
    const std::string kana{static_cast<char>(0x83), static_cast<char>(trail)};
    for (std::string_view mark : {"\x81\x4A", "\x81\x4B", "\xDE", "\xDF"})
      inputs.push_back(kana + std::string(mark));
  }
  for (const std::string& in : inputs) {
    out.Text("hwa ");
    out.Hex(in);
    out.Text(" ");
    out.Hex(platform::HalfWidthAnsi(in));
    out.Text("\n");
  }
}

void DumpHalfWidthWide(Output& out) {
  std::vector<std::u16string> inputs;
  for (unsigned u = 1; u <= 0xFFFF; ++u)
    inputs.emplace_back(1, static_cast<char16_t>(u));
  // Kana followed by the combining and the spacing sound marks, full and half width.
  for (char16_t kana :
       {u'カ', u'ハ', u'ウ', u'ワ', u'ヰ', u'ヱ', u'ヲ', u'か', u'ア', u'ｶ', u'A'}) {
    for (char16_t mark : {u'\x3099', u'\x309A', u'\x309B', u'\x309C', u'\xFF9E', u'\xFF9F'})
      inputs.push_back(std::u16string{kana, mark});
  }
  inputs.push_back(u"\xD83D\xDE00");
  inputs.push_back(u"ガギグゲゴ　ＡＢＣ");
  for (const std::u16string& in : inputs) {
    out.Text("hww ");
    out.Hex(in);
    out.Text(" ");
    out.Hex(platform::HalfWidthWide(in));
    out.Text("\n");
  }
}

// Sorts the texts with the comparison (stable, so ties keep their input order) and prints them
// in that order, each with the sign of its comparison to the one before it.
void DumpSorted(Output& out, std::string_view label, std::vector<std::string> texts) {
  std::stable_sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
    return platform::CompareIgnoreCase(a, b) < 0;
  });
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const int c = i == 0 ? 1 : platform::CompareIgnoreCase(texts[i - 1], texts[i]);
    out.Text(label);
    out.Hex(texts[i]);
    out.Text(c < 0 ? " <\n" : c == 0 ? " =\n" : " >\n");
  }
}

std::vector<std::string> ReadCorpus(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (!line.empty() && line.front() != '#')
      lines.push_back(line);
  }
  return lines;
}

void DumpComparison(Output& out, const std::vector<std::string>& corpus) {
  // Empty texts, also as views that point nowhere ("null").
  const std::string_view nowhere, empty(""), one("1");
  auto label = [](std::string_view v) {
    return v.data() == nullptr ? "null" : v.empty() ? "empty" : "31";
  };
  for (const auto& [a, b] : {std::pair{nowhere, nowhere}, std::pair{nowhere, empty},
                             std::pair{nowhere, one}, std::pair{one, nowhere}}) {
    const int c = platform::CompareIgnoreCase(a, b);
    out.Text("cmp empty ");
    out.Text(label(a));
    out.Text(",");
    out.Text(label(b));
    out.Text(c < 0 ? " <\n" : c == 0 ? " =\n" : " >\n");
  }

  std::vector<std::string> characters = AllCharacters();
  characters.erase(characters.begin());  // the NUL byte ends a text for the comparison
  DumpSorted(out, "cmp char ", characters);

  std::vector<std::string> alphabet;
  const std::string bytes = FromUtf8(kPairAlphabet);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::size_t n = IsLead(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
    alphabet.push_back(bytes.substr(i, n));
    i += n - 1;
  }
  std::vector<std::string> pairs;
  for (const std::string& a : alphabet) {
    for (const std::string& b : alphabet)
      pairs.push_back(a + b);
  }
  DumpSorted(out, "cmp pair ", pairs);

  // Texts of up to eight characters drawn from the same alphabet by a fixed linear congruential
  // sequence (the same on every platform), where marks meet kana, letters and punctuation in
  // every combination.
  std::vector<std::string> texts;
  std::uint32_t state = 20240611;
  auto next = [&state](std::size_t n) {
    state = state * 1664525u + 1013904223u;
    return static_cast<std::size_t>((state >> 8) % n);
  };
  for (int i = 0; i < 5000; ++i) {
    std::string text;
    for (std::size_t k = next(8) + 1; k > 0; --k)
      text += alphabet[next(alphabet.size())];
    texts.push_back(text);
  }
  DumpSorted(out, "cmp random ", texts);

  DumpSorted(out, "cmp corpus ", corpus);
  for (const std::string& a : corpus) {
    out.Text("cmp signs ");
    out.Hex(a);
    out.Text(" ");
    for (const std::string& b : corpus) {
      const int c = platform::CompareIgnoreCase(a, b);
      out.Text(c < 0 ? "<" : c == 0 ? "=" : ">");
    }
    out.Text("\n");
  }
}

}  // namespace

int Main(int argc, char** argv) {
  std::vector<std::string> sections;
  std::string corpusPath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--corpus" && i + 1 < argc) {
      corpusPath = argv[++i];
    } else {
      sections.push_back(arg);
    }
  }
  if (sections.empty())
    sections = {"a2w", "w2a", "hwa", "hww", "cmp"};
  const std::vector<std::string> corpus =
      corpusPath.empty() ? std::vector<std::string>{} : ReadCorpus(corpusPath);
  Output out;
  for (const std::string& section : sections) {
    if (section == "a2w") {
      DumpAnsiToWide(out);
    } else if (section == "w2a") {
      DumpWideToAnsi(out);
    } else if (section == "hwa") {
      DumpHalfWidthAnsi(out);
    } else if (section == "hww") {
      DumpHalfWidthWide(out);
    } else if (section == "cmp") {
      DumpComparison(out, corpus);
    } else if (!DumpPlatformSection(out, section, corpus)) {
      out.Flush();
      std::fprintf(stderr, "dump: unknown section %s\n", section.c_str());
      return 2;
    }
  }
  return 0;
}

}  // namespace vostrel::tools

int main(int argc, char** argv) {
  return vostrel::tools::Main(argc, argv);
}
