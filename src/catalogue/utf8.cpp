// The record page arrives in UTF-8; everything the scan reads is code page 932. The page is
// decoded to UTF-16 by the walk below and converted by the platform's wide-to-ANSI conversion,
// a buffer of units at a time.
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

// Units are decoded into a buffer of this many and converted a buffer at a time, so the page
// never needs a UTF-16 copy of its own: the text is read once and the result written once.
constexpr std::size_t kChunkUnits = 8192;

}  // namespace

std::string Utf8ToAnsi(std::string_view text) {
  const std::size_t n = text.size();
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  // The text reads as if followed by four zero bytes: a sequence cut off by the end takes zero
  // bytes for its missing trail bytes, and the walk stops at the first zero byte after it.
  // Away from the end no read can pass it, so the walk reads the bytes unchecked there.
  const auto inside = [bytes](std::size_t i) -> unsigned { return bytes[i]; };
  const auto nearEnd = [bytes, n](std::size_t i) -> unsigned { return i < n ? bytes[i] : 0u; };

  std::string result;
  // Code page 932 takes no more bytes than UTF-8 for the same character; a sequence cut off by
  // the end may give one byte more than it took.
  result.reserve(n + 2);
  char16_t chunk[kChunkUnits];
  char16_t* out = chunk;
  char16_t* const chunkEnd = chunk + kChunkUnits;
  // Set by a sequence that decodes to zero (an overlong NUL): that unit ends the text, as a
  // zero unit ends a wide string. The walk goes on, since a byte that cannot begin a sequence
  // still fails the page, but nothing more is kept.
  bool ended = false;
  const auto flush = [&] {
    if (!ended)
      result += platform::WideToAnsi(std::u16string_view(chunk, out - chunk));
    out = chunk;
  };
  // Only a two- or three-byte sequence can decode to zero.
  const auto store = [&](char16_t unit) {
    if (unit == 0 && !ended) {
      flush();
      ended = true;
      return;
    }
    *out++ = unit;
  };

  std::size_t i = 0;
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
      store(static_cast<char16_t>(((b & 0x1Fu) << 6) + (at(i + 1) & 0x3Fu)));
      i += 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      store(static_cast<char16_t>(((b & 0x0Fu) << 12) + ((at(i + 1) & 0x3Fu) << 6) +
                                  (at(i + 2) & 0x3Fu)));
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
  // is not ASCII or is zero, or until the buffer has no room for eight more units.
  const auto asciiRun = [&] {
    constexpr std::uint64_t kHigh = 0x8080808080808080u;
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    while (i + 8 <= n && chunkEnd - out >= 8) {
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

  // Runs of three-byte sequences (kana and kanji) go four at a time: where the four lead bytes
  // are all three-byte leads, the sequences' places are known at once and none of the four
  // waits for the one before it. A unit that comes out zero leaves the rest to the walk.
  const auto threeByteRun = [&] {
    const auto isLead3 = [](unsigned char b) { return (b & 0xF0u) == 0xE0u; };
    const auto unitAt = [bytes](std::size_t k) {
      return static_cast<char16_t>(((bytes[k] & 0x0Fu) << 12) + ((bytes[k + 1] & 0x3Fu) << 6) +
                                   (bytes[k + 2] & 0x3Fu));
    };
    while (i + 16 <= n && chunkEnd - out >= 4 && isLead3(bytes[i]) && isLead3(bytes[i + 3]) &&
           isLead3(bytes[i + 6]) && isLead3(bytes[i + 9])) {
      const char16_t u0 = unitAt(i), u1 = unitAt(i + 3), u2 = unitAt(i + 6), u3 = unitAt(i + 9);
      if (u0 == 0 || u1 == 0 || u2 == 0 || u3 == 0)
        return;
      out[0] = u0;
      out[1] = u1;
      out[2] = u2;
      out[3] = u3;
      out += 4;
      i += 12;
    }
  };

  bool more = true;
  while (more) {
    if (out == chunkEnd)
      flush();
    if (i + 4 <= n) {
      if (bytes[i] <= 0x7F)
        asciiRun();
      else
        threeByteRun();
      if (out == chunkEnd)
        flush();
      if (i + 4 <= n) {
        more = step(inside);
        continue;
      }
    }
    more = step(nearEnd);
  }
  flush();
  return result;
}

}  // namespace vostrel
