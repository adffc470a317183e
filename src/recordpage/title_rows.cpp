// Title rows: the title cell split into title, subtitle and volume, the title's reading, the
// partial titles, and the composition that places the text after ":" once all rows are read.
#include <string>
#include <string_view>

#include "recordpage/rows.h"
#include "text/bytes.h"
#include "text/markup.h"
#include "text/numbers.h"

namespace vostrel::recordpage {

namespace {

// The trimmed text of up to 100 bytes after 1-based position `pos`. The cut is by bytes.
std::string_view TailAfter(std::string_view text, std::size_t pos) {
  return Trim(ClippedSubstr(text, static_cast<long long>(pos) + 1, 100));
}

// The part after "." of a title without ":" : a volume designation, a subtitle, or a subtitle in
// parentheses with the volume around it.
void SplitAfterDotAlone(std::string_view title, std::size_t dot, TBase& rec) {
  rec.Title = BytesBefore(title, dot);
  rec.VolumeNo.clear();
  const std::string after = NarrowAlnum(TailAfter(title, dot));
  if (!Contains(after, "(")) {
    if (IsVolumeText(after))
      rec.VolumeNo = after;
    else
      rec.Subtitle = after;
    return;
  }
  // "続編(2)": a volume in the parentheses wins and the rest is not used; "上(副題)": the
  // parenthesised text is the subtitle and the volume comes from what stands around it.
  const std::string_view inner = ExtractBetween(after, "(", ")");
  if (IsVolumeText(inner)) {
    rec.VolumeNo = DigitsOrZero(inner);
    return;
  }
  rec.Subtitle = inner;
  std::string parenthesised = "(";
  parenthesised.append(inner).append(")");
  rec.VolumeNo = DigitsOrZero(RemoveAll(after, parenthesised));
}

// A title with both "." and ":": the ":" part before the "." is the tail; after the "." the
// part before any parenthesis is the volume and the parenthesised part the subtitle.
void SplitAfterDotWithColon(std::string_view title, std::size_t dot, ScanState& state, TBase& rec) {
  const std::string_view head = BytesBefore(title, dot);
  rec.Title = head;
  if (const std::size_t colon = PositionOf(head, ":"); colon > 0) {
    rec.Title = BytesBefore(head, colon);
    state.TitleTail = TailAfter(head, colon);
  }
  rec.VolumeNo.clear();
  const std::string after = NarrowAlnum(TailAfter(title, dot));
  const std::size_t paren = PositionOf(after, "(");
  if (paren == 0) {
    if (IsVolumeText(after)) {
      rec.VolumeNo = DigitsOnly(after);
    } else {
      rec.Subtitle = after;
      state.TailJoinsTitle = true;
    }
    return;
  }
  rec.VolumeNo = BytesBefore(after, paren);
  const std::string inner =
      RemoveAll(ClippedSubstr(after, static_cast<long long>(paren), 100), "(");
  rec.Subtitle = RemoveAll(inner, ")");
  state.TailJoinsTitle = true;
}

}  // namespace

void TitleRow(std::string_view value, ScanState& state, TBase& rec) {
  std::string text = RemoveAll(value, "&nbsp;");
  text = RemoveAll(text, "\t");
  text = ReplaceAll(text, "\"", "”");
  text = RemoveAll(text, " ");
  text = RemoveAll(text, "　");
  const std::string title = StripMarkup(text);

  rec.Title = title;
  state.TitleFound = true;

  const std::size_t dot = PositionOf(title, ".");
  const std::size_t colon = PositionOf(title, ":");
  if (dot > 0 && colon == 0) {
    SplitAfterDotAlone(title, dot, rec);
  } else if (dot == 0 && colon > 0) {
    rec.Title = BytesBefore(title, colon);
    state.TitleTail = TailAfter(title, colon);
  } else if (dot > 0 && colon > 0) {
    SplitAfterDotWithColon(title, dot, state, rec);
  }
}

void TitleReadingRow(std::string_view value, ScanState&, TBase& rec) {
  std::string text = RemoveAll(value, "&nbsp;");
  text = RemoveAll(text, "\t");
  text = RemoveAll(StripMarkup(text), ".");
  rec.TitleReading = Trim(text);
}

void PartialTitleRow(std::string_view value, ScanState& state, TBase& rec) {
  // No "&nbsp;" removal here: StripMarkup turns it into ">", which stays in the partial title.
  const std::string cell = StripMarkup(RemoveAll(value, "\t"));
  const std::string_view part = Trim(cell);
  if (!rec.Subtitle.empty())
    rec.Subtitle += '-';
  rec.Subtitle += part;
  state.TailJoinsTitle = true;
}

void ComposeTitle(const ScanState& state, TBase& rec) {
  if (!rec.Subtitle.empty() && state.TailJoinsTitle && !state.TitleTail.empty()) {
    rec.Title += " : ";
    rec.Title += state.TitleTail;
  }
  if (rec.Subtitle.empty() && !state.TitleTail.empty())
    rec.Subtitle = state.TitleTail;
}

}  // namespace vostrel::recordpage
