// Markup and substring helpers shared by the catalogue dialogue, the record page rules and the
// contributor and dictionary rules. Pure functions: no state, no files, no messages.
#pragma once

#include <string>
#include <string_view>

namespace vostrel {

// The text after the first `start` marker up to the first `stop` marker after it (byte search);
// the whole rest when `stop` is empty or absent; empty when `start` is empty or absent.
// ExtractBetween("abc[x]def", "[", "]") == "x"; ExtractBetween("abc[x]def", "[", "}") == "x]def".
std::string_view ExtractBetween(std::string_view text, std::string_view start,
                                std::string_view stop);

// The n-th field (from 1) of a text split at a one-byte delimiter found by character search;
// empty for n <= 0 or past the last field. NthField("a|b||d", '|', 2) == "b".
std::string_view NthField(std::string_view text, char delimiter, int n);

// Full-width digits and Latin letters (lead byte 0x82) to ASCII; every other character
// unchanged. NarrowAlnum("１９ｃｍ") == "19cm"; "－" stays full-width.
std::string NarrowAlnum(std::string_view text);

// Removes HTML tags, keeping comments whole, then decodes "&lt;" to "<", "&gt;" to ">" and
// "&nbsp;" to ">" (the rules rely on ">" standing where a no-break space was). Text before a ">"
// with no "<" before it is dropped, and so is text after a "<" that is never closed.
// StripMarkup("a<b>b</b>c") == "abc"; StripMarkup("山田&nbsp;||ヤマダ") == "山田>||ヤマダ".
std::string StripMarkup(std::string_view text);

// The wide text mapped through the user's locale with the given LCMapStringW flags. The one
// mapping supported is kMapHalfWidth (LCMAP_HALFWIDTH), the only one the platform layer offers;
// any other flags leave the text unchanged. An empty text gives an empty text.
std::u16string WideMap(std::u16string_view text, unsigned long flags);

// WideMap with LCMAP_HALFWIDTH: full-width characters to their half-width forms.
std::u16string WideHalfWidth(std::u16string_view text);

// The flag value of LCMAP_HALFWIDTH.
inline constexpr unsigned long kMapHalfWidth = 0x00400000;

}  // namespace vostrel
