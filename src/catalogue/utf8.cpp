// The record page arrives in UTF-8; everything the scan reads is code page 932. The page is
// decoded to UTF-16 by the walk below and converted by the platform's wide-to-ANSI conversion.
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "platform/platform.h"

namespace vostrel {

namespace {

// What a four-byte sequence (a character beyond the Basic Multilingual Plane) becomes: code
// page 932 has no such characters, so it stands as the code page's default character.
constexpr char16_t kOutsidePlane = u'?';

}  // namespace

std::string Utf8ToAnsi(std::string_view text) {
  const std::size_t n = text.size();
  // The text reads as if followed by four zero bytes: a sequence cut off by the end takes zero
  // bytes for its missing trail bytes, and the walk stops at the first zero byte after it.
  const auto at = [&](std::size_t i) -> unsigned {
    return i < n ? static_cast<unsigned char>(text[i]) : 0u;
  };

  // Every sequence yields at most one unit and takes at least one byte: one allocation for the
  // whole page.
  std::u16string units;
  units.reserve(n);

  std::size_t i = 0;
  for (unsigned b = at(0); b != 0; b = at(i)) {
    if (b <= 0x7F) {
      units += static_cast<char16_t>(b);
      i += 1;
    } else if (b >= 0xC0 && b <= 0xDF) {
      // Trail bytes are taken as they come: their top bits are not checked.
      units += static_cast<char16_t>(((b & 0x1Fu) << 6) + (at(i + 1) & 0x3Fu));
      i += 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      units += static_cast<char16_t>(((b & 0x0Fu) << 12) + ((at(i + 1) & 0x3Fu) << 6) +
                                     (at(i + 2) & 0x3Fu));
      i += 3;
    } else if (b >= 0xF0 && b <= 0xF7) {
      units += kOutsidePlane;
      i += 4;
    } else {
      // A continuation byte or 0xF8-0xFF where a sequence should begin.
      throw DecodeError();
    }
  }

  // A sequence that decodes to zero (an overlong NUL) ends the text there, as a zero unit
  // ends a wide string.
  std::u16string_view wide(units);
  wide = wide.substr(0, wide.find(u'\0'));
  return platform::WideToAnsi(wide);
}

}  // namespace vostrel
