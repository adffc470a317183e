// The record page decoding from UTF-8 on arbitrary bytes.
#include "catalogue/catalogue.h"
#include "common/checks.h"
#include "common/support.h"
#include "common/target.h"

namespace {

using namespace vostrel;

// True when the walk over the sequences meets a byte that cannot begin one where one should
// begin, before a NUL ends the text. The bytes after a lead byte are consumed as they come.
bool DecodingFails(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == 0)
      return false;
    if (b < 0x80)
      i += 1;
    else if (b >= 0xC0 && b <= 0xDF)
      i += 2;
    else if (b >= 0xE0 && b <= 0xEF)
      i += 3;
    else if (b >= 0xF0 && b <= 0xF7)
      i += 4;
    else
      return true;
  }
  return false;
}

std::string_view U8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

}  // namespace

VOSTREL_FUZZ_SELF_CHECK(utf8) {
  // The UTF-8 spelling of a text decodes to the narrow literal's code page 932 bytes: the clang
  // build sees escaped literals, the g++ build converted ones, and both must agree.
  FUZZ_CHECK(Utf8ToAnsi(U8(u8"購入")) == "購入");
  FUZZ_CHECK(Utf8ToAnsi(U8(u8"ソ表示\r\n")) == "ソ表示\r\n");  // trail bytes 0x5C
  FUZZ_CHECK(Utf8ToAnsi("\xE3\x81\x82") == "\x82\xA0");
  FUZZ_CHECK(Utf8ToAnsi("\xC3"
                        "A") == Utf8ToAnsi("\xC3\x81"));
  FUZZ_CHECK(Utf8ToAnsi("ab\0cd") == "ab");
  bool failed = false;
  try {
    Utf8ToAnsi("\x80");
  } catch (const DecodeError&) {
    failed = true;
  }
  FUZZ_CHECK(failed);
}

VOSTREL_FUZZ_TARGET(utf8) {
  const std::string_view text = fuzz::AsText(data, size);
  std::string out;
  try {
    out = Utf8ToAnsi(text);
  } catch (const DecodeError&) {
    FUZZ_CHECK(DecodingFails(text));
    return;
  }
  FUZZ_CHECK(!DecodingFails(text));
  FUZZ_CHECK(out.find('\0') == std::string::npos);
  // Each sequence yields at most two units and each unit at most two bytes.
  FUZZ_CHECK(out.size() <= 2 * text.size());
  const std::string_view upToNul = UpToNul(text);
  bool ascii = true;
  for (char c : upToNul)
    ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii)
    FUZZ_CHECK(out == upToNul);
  // The conversion gives whole characters only.
  FUZZ_CHECK(fuzz::IsWellFormedAnsi(out));
}
