// Volume designations, digit reductions and book sizes.
//
// Digits are the ASCII digits 0x30-0x39 only; callers that may meet full-width digits run
// NarrowAlnum first.
#pragma once

#include <string>
#include <string_view>

namespace vostrel {

// True when the text holds an ASCII digit.
bool HasDigit(std::string_view text);

// True when the text reads as kanji numerals (一 to 十, 百, 壱, 弐, 参, 拾), walked in fixed
// two-byte steps from the first byte; a final odd byte is never looked at, so the empty text and
// any one-byte text are numerals. IsKanjiNumeral("十二") is true; IsKanjiNumeral("A一") is false.
bool IsKanjiNumeral(std::string_view text);

// True when every byte is I, V, X, i, v or x (the empty text included).
bool IsRomanNumeral(std::string_view text);

// True when the text designates a volume: it holds a digit, is exactly 上, 中 or 下, or reads as
// kanji or roman numerals. IsVolumeText("Vol.3") is true; IsVolumeText("上巻") is false.
bool IsVolumeText(std::string_view text);

// The text's digits run together, or the text itself when it has none. DigitsOnly("1-2") == "12".
std::string DigitsOnly(std::string_view text);

// The text's digits run together, or "0" when it has none. DigitsOrZero("上") == "0".
std::string DigitsOrZero(std::string_view text);

// The book size in its one fixed form: full-width letters and digits narrowed, 判 and 版
// removed, "－" to "-", "4-6" to 四六, every form of the variant mark to 変型.
// NormalizeSize("４－６判") == "四六"; NormalizeSize("B6変形") == "B6変型". The extent row
// stores the result in BookSize.
std::string NormalizeSize(std::string_view text);

}  // namespace vostrel
