// The row rules of the record page scan and the state they share. Internal to recordpage/:
// nothing outside this folder includes it (the unit tests aside).
//
// Every rule gets one value line of the page (after the entity pre-pass), cleans its own copy
// and writes record fields or scan state. Value lines never hold CR or LF (the page was split
// at them), so the "remove CR LF" step of the cell cleaning has nothing to do and is left out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "contributors/contributors.h"
#include "plugin/common.h"

namespace vostrel::recordpage {

// The table cell that holds a value in the reading and partial-title rows.
inline constexpr std::string_view kFullCell = "<td class=\"t-td-full\" align=\"left\">";
// The font tag around the year of publication.
inline constexpr std::string_view kYearFont = "<FONT CLASS=\"FN\">";

// What one scan collects besides the record fields; all empty, false or 0 at the start.
struct ScanState {
  bool TitleFound = false;      // a title row was met: decides the result
  std::string TitleTail;        // the text after ":" of the title, placed by ComposeTitle
  bool TailJoinsTitle = false;  // the subtitle came from "." with ":" or from partial titles
  std::string StatementLog;     // "--" + each responsibility statement
  int StatementCount = 0;
  // The name and reading of the last personal-author heading row.
  std::string HeadingName;
  std::string HeadingReading;
  bool ScanEnded = false;        // the author introduction was read: no later line is visited
  bool NdcOption = false;        // the option file enables the NDC row
  ContributorList Contributors;  // this page's contributor entries
  // The placeholder cover address, read from the configuration at the first cover row.
  std::optional<std::string> PlaceholderCover;
};

// A row rule: the value line and what it may write.
using RowRule = void (*)(std::string_view value, ScanState& state, TBase& rec);

// Title rows.
void TitleRow(std::string_view value, ScanState& state, TBase& rec);
void TitleReadingRow(std::string_view value, ScanState& state, TBase& rec);
void PartialTitleRow(std::string_view value, ScanState& state, TBase& rec);

// Publication and description rows.
void PublicationRow(std::string_view value, ScanState& state, TBase& rec);
void PublicationYearRow(std::string_view value, ScanState& state, TBase& rec);
void ExtentRow(std::string_view value, ScanState& state, TBase& rec);
void SeriesRow(std::string_view value, ScanState& state, TBase& rec);
void PriceRow(std::string_view value, ScanState& state, TBase& rec);
void NdcRow(std::string_view value, ScanState& state, TBase& rec);

// Contributor, cover and summary rows.
void StatementRow(std::string_view value, ScanState& state, TBase& rec);
void HeadingRow(std::string_view value, ScanState& state, TBase& rec);
void CoverRow(std::string_view value, ScanState& state, TBase& rec);
void SynopsisRow(std::string_view value, ScanState& state, TBase& rec);
void AuthorIntroductionRow(std::string_view value, ScanState& state, TBase& rec);

// Post-pass steps, in the order the scan runs them.

// Places the text after ":" of the title: joined to Title (" : ") when the subtitle came from
// after "." of a title with both signs or from partial titles; the subtitle when there is none.
void ComposeTitle(const ScanState& state, TBase& rec);

// AssignAuthors over the page's contributors, then the statement log in front of
// OtherContributors and the heading reading for an author whose name holds the heading name.
void CompleteContributors(const ScanState& state, TBase& rec);

// Full-width spaces of the summary to ASCII spaces, then trimmed.
void CleanSummary(TBase& rec);

// When a file exists at `markerPath`: 文庫 to A6 and コミック removed in BookSize, Audience and
// Ndc set to the given texts, WorkUrl emptied. Nothing happens without the file.
void ApplyMarkerOverrides(const std::string& markerPath, std::string_view audience,
                          std::string_view ndc, TBase& rec);

}  // namespace vostrel::recordpage
