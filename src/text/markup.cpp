#include "text/markup.h"

#include "platform/platform.h"
#include "text/bytes.h"

namespace vostrel {

namespace {

// Comment markers are hidden behind full-width signs while tags are removed, so the "<" and ">"
// of a comment are never taken for a tag's; the same full-width forms turn back afterwards.
constexpr std::string_view kCommentOpen = "<!--";
constexpr std::string_view kCommentClose = "-->";
constexpr std::string_view kHiddenOpen = "\x81\x83!--";  // "＜!--"
constexpr std::string_view kHiddenClose = "--\x81\x84";  // "--＞"

// Lead byte of the full-width digits and Latin letters.
constexpr unsigned char kAlnumLead = 0x82;

// Drops every tag of `text`: the part from a "<" to the next ">" after it. A ">" with no "<"
// before it ends a tag opened earlier, so the text up to it goes; the text after a "<" that is
// never closed goes too. One forward walk: each sign is searched again only once the walk has
// passed the last one found, so the work stays linear in the text however the signs stand.
std::string RemoveTags(std::string_view text) {
  constexpr std::size_t npos = std::string_view::npos;
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  std::size_t open = text.find('<');
  std::size_t close = text.find('>');
  while (open != npos || close != npos) {
    if (close == npos) {
      out.append(text, pos, open - pos);
      return out;
    }
    if (open != npos && open < close)
      out.append(text, pos, open - pos);
    pos = close + 1;
    if (open != npos && open < pos)
      open = text.find('<', pos);
    close = text.find('>', pos);
  }
  out.append(text, pos);
  return out;
}

}  // namespace

std::string_view ExtractBetween(std::string_view text, std::string_view start,
                                std::string_view stop) {
  if (start.empty())
    return {};
  const std::size_t at = FindBytes(text, start);
  if (at == std::string_view::npos)
    return {};
  std::string_view rest = text.substr(at + start.size());
  if (!stop.empty()) {
    const std::size_t end = FindBytes(rest, stop);
    if (end != std::string_view::npos)
      rest = rest.substr(0, end);
  }
  return rest;
}

std::string_view NthField(std::string_view text, char delimiter, int n) {
  const std::string_view mark(&delimiter, 1);
  std::string_view rest = text;
  std::string_view field;
  // Each field is searched from the start of what follows the previous delimiter, as a fresh
  // text, so the walk over all fields reads every byte once.
  for (int left = n; left > 0; --left) {
    const std::size_t at = FindChars(rest, mark);
    if (at == std::string_view::npos)
      return left == 1 ? rest : std::string_view();
    field = rest.substr(0, at);
    rest = rest.substr(at + 1);
  }
  return field;
}

std::string NarrowAlnum(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (!IsLeadByte(lead)) {
      out += text[i];
      continue;
    }
    if (i + 1 == text.size()) {
      // A lead byte with no second byte: kept as it stands.
      out += text[i];
      break;
    }
    const auto trail = static_cast<unsigned char>(text[++i]);
    if (lead == kAlnumLead && trail >= 0x4F && trail <= 0x79) {
      out += static_cast<char>(trail - 0x1F);  // ０-９, Ａ-Ｚ and the seven codes between
    } else if (lead == kAlnumLead && trail >= 0x81 && trail <= 0x9A) {
      out += static_cast<char>(trail - 0x20);  // ａ-ｚ
    } else {
      out += static_cast<char>(lead);
      out += static_cast<char>(trail);
    }
  }
  return out;
}

std::string StripMarkup(std::string_view text) {
  std::string hidden =
      ReplaceAll(ReplaceAll(text, kCommentOpen, kHiddenOpen), kCommentClose, kHiddenClose);
  std::string out = RemoveTags(hidden);
  out = ReplaceAll(ReplaceAll(out, kHiddenOpen, kCommentOpen), kHiddenClose, kCommentClose);
  // "&nbsp;" becomes ">" on purpose: the row rules cut a name at it or remove it.
  return ReplaceAll(ReplaceAll(ReplaceAll(out, "&lt;", "<"), "&gt;", ">"), "&nbsp;", ">");
}

std::u16string WideMap(std::u16string_view text, unsigned long flags) {
  if (text.empty())
    return {};
  if (flags == kMapHalfWidth)
    return platform::HalfWidthWide(text);
  return std::u16string(text);
}

std::u16string WideHalfWidth(std::u16string_view text) {
  return WideMap(text, kMapHalfWidth);
}

}  // namespace vostrel
