#include "text/numbers.h"

#include <algorithm>
#include <array>

#include "platform/platform.h"
#include "text/bytes.h"
#include "text/markup.h"

namespace vostrel {

namespace {

// The kanji that count as numerals in a volume designation; no zero and no thousand.
constexpr std::array<std::string_view, 15> kKanjiNumerals = {
    "一", "二", "三", "四", "五", "六", "七", "八", "九", "十", "百", "壱", "弐", "参", "拾",
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The ASCII digits of the text run together, through the locale's half-width mapping (which
// leaves ASCII digits as they are); empty when the text has none.
std::string CollectDigits(std::string_view text) {
  std::string digits;
  for (char c : text) {
    if (IsDigit(c))
      digits += c;
  }
  if (digits.empty())
    return digits;
  return platform::WideToAnsi(WideHalfWidth(platform::AnsiToWide(digits)));
}

// The size text's rewrites, each on the result of the one before. The last three bring every
// form of the variant mark to 変型; the final step does not see its own insertions, so each 変
// gains exactly one 型. "4-6" comes after "－" so that a full-width ４－６ also matches.
struct Rewrite {
  std::string_view find, replace;
};
constexpr std::array<Rewrite, 7> kSizeRewrites = {{
    {"判", ""},
    {"版", ""},
    {"\x81\x7C", "-"},  // "－", the full-width minus
    {"4-6", "四六"},
    {"変形", "変"},
    {"変型", "変"},
    {"変", "変型"},
}};

}  // namespace

bool HasDigit(std::string_view text) {
  return std::any_of(text.begin(), text.end(), IsDigit);
}

bool IsKanjiNumeral(std::string_view text) {
  // Fixed two-byte steps from the first byte, whatever the character boundaries; a final odd
  // byte is never looked at.
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    const std::string_view pair = text.substr(i, 2);
    if (std::find(kKanjiNumerals.begin(), kKanjiNumerals.end(), pair) == kKanjiNumerals.end())
      return false;
  }
  return true;
}

bool IsRomanNumeral(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return c == 'I' || c == 'V' || c == 'X' || c == 'i' || c == 'v' || c == 'x';
  });
}

bool IsVolumeText(std::string_view text) {
  return HasDigit(text) || text == "上" || text == "中" || text == "下" || IsKanjiNumeral(text) ||
         IsRomanNumeral(text);
}

std::string DigitsOnly(std::string_view text) {
  std::string digits = CollectDigits(text);
  return digits.empty() ? std::string(text) : digits;
}

std::string DigitsOrZero(std::string_view text) {
  std::string digits = CollectDigits(text);
  return digits.empty() ? std::string("0") : digits;
}

std::string NormalizeSize(std::string_view text) {
  std::string size = NarrowAlnum(text);
  for (const Rewrite& step : kSizeRewrites)
    size = ReplaceAll(size, step.find, step.replace);
  return size;
}

}  // namespace vostrel
