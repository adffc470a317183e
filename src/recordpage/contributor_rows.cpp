// Contributor, cover and summary rows: responsibility statements, the personal-author heading,
// the cover picture, the synopsis and the author introduction; and the completion of the author
// fields and the summary after the last row.
#include <string>
#include <string_view>

#include "recordpage/rows.h"
#include "text/bytes.h"
#include "text/markup.h"

namespace vostrel::recordpage {

void StatementRow(std::string_view value, ScanState& state, TBase&) {
  std::string text = StripMarkup(RemoveAll(value, "\t"));
  text = RemoveAll(text, " ");
  text = RemoveAll(text, "　");
  text = RemoveAll(text, ".");
  text = ReplaceAll(text, ";", "／");

  ParseContributors(text, "／", state.Contributors);
  ++state.StatementCount;
  state.StatementLog += "--";
  state.StatementLog += text;
}

void HeadingRow(std::string_view value, ScanState& state, TBase&) {
  // "山田, 太郎&nbsp;||ヤマダ, タロウ" becomes "山田 太郎>*ヤマダ タロウ": spaces go before the
  // commas turn into spaces, so the only spaces left are those; the no-break space becomes the
  // ">" that ends the name.
  std::string text = RemoveAll(value, "\t");
  text = RemoveAll(text, " ");
  text = ReplaceAll(text, ",", " ");
  text = ReplaceAll(text, "||", "*");
  text = StripMarkup(text);

  state.HeadingReading =
      RemoveAll(ClippedSubstr(text, static_cast<long long>(PositionOf(text, "*")) + 1, 100), ">");

  state.HeadingName.clear();
  if (const std::size_t end = PositionOf(text, ">"); end > 0) {
    std::string name = RemoveAll(BytesBefore(text, end), " ");
    // "山田太郎(1950-)": the dates are not part of the name.
    if (const std::size_t paren = PositionOf(name, "("); paren > 0)
      name.resize(paren - 1);
    state.HeadingName = std::move(name);
  }
}

void CoverRow(std::string_view value, ScanState& state, TBase& rec) {
  const std::string_view source = ExtractBetween(value, "src=\"", "\"");
  if (!state.PlaceholderCover)
    state.PlaceholderCover = NoImageUrl();
  // The bookstore's placeholder picture is no cover; a line without a picture empties it.
  if (source != *state.PlaceholderCover)
    rec.CoverUrl = source;
}

void SynopsisRow(std::string_view value, ScanState&, TBase& rec) {
  rec.Summary = StripMarkup(ReplaceAll(RemoveAll(value, "\t"), "<br>", "\r\n"));
}

void AuthorIntroductionRow(std::string_view value, ScanState& state, TBase& rec) {
  // The introduction keeps its markup; only the exact "<br>" becomes a line break.
  rec.Summary += "著者紹介：\r\n";
  rec.Summary += ReplaceAll(RemoveAll(value, "\t"), "<br>", "\r\n");
  state.ScanEnded = true;
}

void CompleteContributors(const ScanState& state, TBase& rec) {
  AssignAuthors(state.Contributors, rec);
  rec.OtherContributors.insert(0, state.StatementLog);
  // The heading row gives the catalogue's reading of the author it names.
  if (!state.HeadingName.empty()) {
    if (Contains(rec.Author1, state.HeadingName))
      rec.Author1Reading = state.HeadingReading;
    if (Contains(rec.Author2, state.HeadingName))
      rec.Author2Reading = state.HeadingReading;
  }
}

void CleanSummary(TBase& rec) {
  rec.Summary = Trim(ReplaceAll(rec.Summary, "　", " "));
}

}  // namespace vostrel::recordpage
