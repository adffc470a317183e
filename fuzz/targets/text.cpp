// The markup and substring helpers and the byte-string conventions on arbitrary texts.
#include <string>
#include <string_view>
#include <vector>

#include "common/support.h"
#include "common/target.h"
#include "text/bytes.h"
#include "text/markup.h"

namespace {

using namespace vostrel;

// Whether `part` lies inside `whole` (a view cut from it).
bool IsViewInto(std::string_view part, std::string_view whole) {
  if (part.empty())
    return true;
  return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

// Replace-all the slow, obvious way: walk the characters; at each boundary where `from` starts,
// write `to` and jump over the match.
std::string ReferenceReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty())
    return std::string(text);
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.substr(i, from.size()) == from) {
      out += to;
      i += from.size();
      continue;
    }
    const std::size_t n = IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    out += text.substr(i, n);
    i += n;
  }
  return out;
}

// The lines of a text the obvious way.
std::vector<std::string> ReferenceLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string current;
  bool open = false;
  for (std::size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(current);
      current.clear();
      open = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
      continue;
    }
    current += c;
    open = true;
  }
  if (open)
    lines.push_back(current);
  return lines;
}

// Character-boundary positions of `delimiter` in the text.
std::size_t CountDelimiters(std::string_view text, char delimiter) {
  std::size_t count = 0;
  // A field starts right after a delimiter, so the byte after one is a boundary even when the
  // delimiter itself is a lead byte.
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == delimiter) {
      ++count;
      ++i;
      continue;
    }
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  return count;
}

constexpr std::size_t kReferenceLimit = 4096;

}  // namespace

VOSTREL_FUZZ_SELF_CHECK(text) {
  FUZZ_CHECK(StripMarkup("a<b>b</b>c") == "abc");
  FUZZ_CHECK(StripMarkup("山田&nbsp;||ヤマダ") == "山田>||ヤマダ");
  FUZZ_CHECK(NarrowAlnum("１９ｃｍ") == "19cm");
  FUZZ_CHECK(NthField("ab－c|d", '|', 2) == "d");  // "－" holds the byte of "|"
  FUZZ_CHECK(ReplaceAll("変形変", "変", "変型") == "変型形変型");
  FUZZ_CHECK(ReplaceAll("表示", "\\", "/") == "表示");  // 0x5C as a trail byte is no match
}

VOSTREL_FUZZ_TARGET(text) {
  if (size == 0)
    return;
  const unsigned char op = data[0];
  const std::string_view input = fuzz::AsText(data + 1, size - 1);
  const auto parts = fuzz::SplitParts(input, 3);
  const std::string_view a = parts[0].value_or("");
  const std::string_view b = parts[1].value_or("");
  const std::string_view c = parts[2].value_or("");

  switch (op % 6) {
    case 0: {
      const std::string out = StripMarkup(a);
      // Tags and entities only ever shorten the text.
      FUZZ_CHECK(out.size() <= a.size());
      if (a.find_first_of("<>&") == std::string_view::npos &&
          FindChars(a, "\x81\x83!--") == std::string_view::npos &&
          FindChars(a, "--\x81\x84") == std::string_view::npos) {
        FUZZ_CHECK(out == a);
      }
      break;
    }
    case 1: {
      const std::string_view out = ExtractBetween(a, b, c);
      FUZZ_CHECK(IsViewInto(out, a));
      if (b.empty() || a.find(b) == std::string_view::npos) {
        FUZZ_CHECK(out.empty());
        break;
      }
      // The value starts right after the first start marker and holds no stop marker.
      FUZZ_CHECK(out.empty() || out.data() == a.data() + a.find(b) + b.size());
      if (!c.empty())
        FUZZ_CHECK(out.find(c) == std::string_view::npos);
      break;
    }
    case 2: {
      const char delimiter = b.empty() ? '|' : b.front();
      if (a.size() > kReferenceLimit) {
        (void)NthField(a, delimiter, 1 + static_cast<int>(a.size() % 7));
        break;
      }
      // The fields joined again with the delimiter give the whole text back.
      const std::size_t count = CountDelimiters(a, delimiter) + 1;
      std::string joined;
      for (std::size_t n = 1; n <= count; ++n) {
        const std::string_view field = NthField(a, delimiter, static_cast<int>(n));
        FUZZ_CHECK(IsViewInto(field, a));
        FUZZ_CHECK(CountDelimiters(field, delimiter) == 0);
        if (n > 1)
          joined += delimiter;
        joined += field;
      }
      FUZZ_CHECK(joined == a);
      FUZZ_CHECK(NthField(a, delimiter, 0).empty());
      FUZZ_CHECK(NthField(a, delimiter, -1).empty());
      FUZZ_CHECK(NthField(a, delimiter, static_cast<int>(count) + 1).empty());
      break;
    }
    case 3: {
      const std::string out = NarrowAlnum(a);
      FUZZ_CHECK(out.size() <= a.size());
      FUZZ_CHECK(NarrowAlnum(out) == out);
      break;
    }
    case 4: {
      const std::string out = ReplaceAll(a, b, c);
      if (a.size() <= kReferenceLimit && b.size() <= kReferenceLimit)
        FUZZ_CHECK(out == ReferenceReplaceAll(a, b, c));
      FUZZ_CHECK(RemoveAll(a, b) == ReplaceAll(a, b, ""));
      break;
    }
    default: {
      const std::vector<std::string_view> lines = SplitLines(a);
      const std::vector<std::string> want = ReferenceLines(a);
      FUZZ_CHECK(lines.size() == want.size());
      for (std::size_t i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(IsViewInto(lines[i], a));
        FUZZ_CHECK(lines[i] == want[i]);
      }
      // Written with CR LF and read again, the lines stay the same.
      const std::string again = JoinLinesCrLf(lines);
      const std::vector<std::string_view> reread = SplitLines(again);
      FUZZ_CHECK(reread.size() == lines.size());
      for (std::size_t i = 0; i < reread.size(); ++i)
        FUZZ_CHECK(reread[i] == lines[i]);
      break;
    }
  }
}
