// The record page arrives in UTF-8; everything the scan reads is code page 932. The page is
// decoded to UTF-16 by the walk below and converted by the platform's wide-to-ANSI conversion.
#include <cstdint>
#include <cstring>
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
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  // The text reads as if followed by four zero bytes: a sequence cut off by the end takes zero
  // bytes for its missing trail bytes, and the walk stops at the first zero byte after it.
  // Away from the end no read can pass it, so the walk reads the bytes unchecked there.
  const auto inside = [bytes](std::size_t i) -> unsigned { return bytes[i]; };
  const auto nearEnd = [bytes, n](std::size_t i) -> unsigned { return i < n ? bytes[i] : 0u; };

  // Every sequence yields at most one unit and takes at least one byte: one zero-filled buffer
  // for the whole page, written in place.
  std::u16string units(n, u'\0');
  char16_t* out = units.data();
  std::size_t i = 0;
  // Where the first zero unit went: only a two- or three-byte sequence (an overlong NUL) can
  // make one, so it is noted there rather than searched for afterwards.
  std::size_t firstZero = std::u16string_view::npos;
  const auto noteZero = [&] {
    if (*out == 0 && firstZero == std::u16string_view::npos)
      firstZero = static_cast<std::size_t>(out - units.data());
    ++out;
  };

  // Decodes the sequence at i; false at a zero byte, where decoding ends.
  const auto step = [&](auto at) -> bool {
    const unsigned b = at(i);
    if (b == 0)
      return false;
    if (b <= 0x7F) {
      *out++ = static_cast<char16_t>(b);
      i += 1;
    } else if (b >= 0xC0 && b <= 0xDF) {
      // Trail bytes are taken as they come: their top bits are not checked.
      *out = static_cast<char16_t>(((b & 0x1Fu) << 6) + (at(i + 1) & 0x3Fu));
      noteZero();
      i += 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      *out = static_cast<char16_t>(((b & 0x0Fu) << 12) + ((at(i + 1) & 0x3Fu) << 6) +
                                   (at(i + 2) & 0x3Fu));
      noteZero();
      i += 3;
    } else if (b >= 0xF0 && b <= 0xF7) {
      *out++ = kOutsidePlane;
      i += 4;
    } else {
      // A continuation byte or 0xF8-0xFF where a sequence should begin.
      throw DecodeError();
    }
    return true;
  };
  // Runs of ASCII (most of a page's markup) go eight bytes at a time, up to the first byte that
  // is not ASCII or is zero.
  const auto asciiRun = [&] {
    constexpr std::uint64_t kHigh = 0x8080808080808080u;
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    while (i + 8 <= n) {
      std::uint64_t v;
      std::memcpy(&v, bytes + i, sizeof v);
      if ((v & kHigh) != 0 || ((v - kOnes) & ~v & kHigh) != 0)
        return;
      for (std::size_t k = 0; k < 8; ++k)
        out[k] = static_cast<char16_t>(bytes[i + k]);
      out += 8;
      i += 8;
    }
  };
  bool more = true;
  while (more && i + 4 <= n) {
    asciiRun();
    if (i + 4 > n)
      break;
    more = step(inside);
  }
  while (more)
    more = step(nearEnd);

  // A sequence that decodes to zero (an overlong NUL) ends the text there, as a zero unit
  // ends a wide string.
  std::u16string_view wide(units.data(), static_cast<std::size_t>(out - units.data()));
  return platform::WideToAnsi(wide.substr(0, firstZero));
}

}  // namespace vostrel
