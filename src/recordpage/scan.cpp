// The record page scan: the page is read as lines, top to bottom; a line holding a row's label
// hands the row's value line(s) to the row's rule. After the last line the post-pass composes
// the title, completes the contributors and the summary and applies the marker overrides.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "recordpage/recordpage.h"
#include "recordpage/rows.h"
#include "text/bytes.h"

namespace vostrel {

namespace {

using recordpage::RowRule;
using recordpage::ScanState;

// Where a row finds its value from the label line L.
enum class ValueLines {
  kNext,               // L+1
  kNextFullCell,       // L+1, only when it holds the value cell
  kEachFullCellOf4,    // each of L+1..L+4 that holds the value cell, in order
  kLastYearFontOf10,   // the last of L+1..L+10 holding the year's font tag; empty when none
  kNextWithDoubleBar,  // L+1, only when it holds "||"
  kFourteenth,         // L+14
};

struct Row {
  std::string_view label;  // searched anywhere in the raw line, markup included
  ValueLines value;
  RowRule rule;
};

// Every row of the record page, in the order they are tried for each line. A line may hold
// several labels; each row then runs on its own value line.
constexpr Row kRows[] = {
    {"<b>タイトル</b>", ValueLines::kNext, recordpage::TitleRow},
    {">タイトルよみ<", ValueLines::kNextFullCell, recordpage::TitleReadingRow},
    {">部分タイトル<", ValueLines::kEachFullCellOf4, recordpage::PartialTitleRow},
    {"責任表示", ValueLines::kNext, recordpage::StatementRow},
    {"出版事項", ValueLines::kNext, recordpage::PublicationRow},
    {"出版年", ValueLines::kLastYearFontOf10, recordpage::PublicationYearRow},
    {">形態/付属資料<", ValueLines::kNext, recordpage::ExtentRow},
    {">シリーズ<", ValueLines::kNext, recordpage::SeriesRow},
    {">価格等<", ValueLines::kNext, recordpage::PriceRow},
    {"NDC", ValueLines::kNext, recordpage::NdcRow},
    {">個人著者標目<", ValueLines::kNextWithDoubleBar, recordpage::HeadingRow},
    {"<!-- =======  書影 ======= -->", ValueLines::kFourteenth, recordpage::CoverRow},
    {">あらすじ<", ValueLines::kNext, recordpage::SynopsisRow},
    // Sets ScanEnded: nothing after the author introduction is read.
    {"<h2>著者紹介</h2>", ValueLines::kNext, recordpage::AuthorIntroductionRow},
};

// The option file enables the NDC row with a line that is exactly "1" once every "TOSYO1=" is
// removed from it; a later line never turns it off again.
bool ReadNdcOption() {
  const auto lines = ReadTextLines(WorkDir + "tovan.dat");
  if (!lines)
    return false;
  for (const std::string& line : *lines) {
    if (Contains(line, "TOSYO1=") && RemoveAll(line, "TOSYO1=") == "1")
      return true;
  }
  return false;
}

// The page as lines, with "&amp;", "&quot;", "&lt;" and "&gt;" decoded first ("&amp;" before
// the others, so "&amp;lt;" ends as "<"). Other entities stay for the rules. The views point
// into `text`.
std::vector<std::string_view> LoadPageLines(std::string_view bytes, std::string& text) {
  text = ReplaceAll(UpToNul(bytes), "&amp;", "&");
  text = ReplaceAll(text, "&quot;", "”");
  text = ReplaceAll(text, "&lt;", "<");
  text = ReplaceAll(text, "&gt;", ">");
  return SplitLines(text);
}

// Line `index` (0-based) of the page; nothing past the last line. Labels near the end of a page
// may ask for lines the page does not have: those count as absent.
std::optional<std::string_view> LineAt(const std::vector<std::string_view>& lines,
                                       std::size_t index) {
  if (index >= lines.size())
    return std::nullopt;
  return lines[index];
}

void RunRow(const Row& row, const std::vector<std::string_view>& lines, std::size_t label,
            ScanState& state, TBase& rec) {
  switch (row.value) {
    case ValueLines::kNext:
      if (const auto line = LineAt(lines, label + 1))
        row.rule(*line, state, rec);
      break;
    case ValueLines::kNextFullCell:
      if (const auto line = LineAt(lines, label + 1);
          line && Contains(*line, recordpage::kFullCell))
        row.rule(*line, state, rec);
      break;
    case ValueLines::kEachFullCellOf4:
      for (std::size_t k = 1; k <= 4; ++k) {
        if (const auto line = LineAt(lines, label + k);
            line && Contains(*line, recordpage::kFullCell))
          row.rule(*line, state, rec);
      }
      break;
    case ValueLines::kLastYearFontOf10: {
      std::string_view value;
      for (std::size_t k = 1; k <= 10; ++k) {
        if (const auto line = LineAt(lines, label + k);
            line && Contains(*line, recordpage::kYearFont))
          value = *line;
      }
      row.rule(value, state, rec);
      break;
    }
    case ValueLines::kNextWithDoubleBar:
      if (const auto line = LineAt(lines, label + 1); line && Contains(*line, "||"))
        row.rule(*line, state, rec);
      break;
    case ValueLines::kFourteenth:
      if (const auto line = LineAt(lines, label + 14))
        row.rule(*line, state, rec);
      break;
  }
}

}  // namespace

bool ParseRecordPage(const std::string& pagePath, TBase& rec) {
  // The scan state, the contributor list and the page lines live for this call only and are
  // released on every way out, an error included.
  ScanState state;
  state.NdcOption = ReadNdcOption();

  std::string text;
  std::vector<std::string_view> lines;
  {
    const std::optional<std::string> bytes = platform::ReadWholeFile(pagePath);
    if (!bytes)
      return false;
    lines = LoadPageLines(*bytes, text);
  }

  // The last line is only ever read as a value line.
  for (std::size_t label = 0; label + 1 < lines.size(); ++label) {
    if (StopRequested == 1)
      break;
    for (const Row& row : kRows) {
      if (Contains(lines[label], row.label))
        RunRow(row, lines, label, state, rec);
    }
    if (state.ScanEnded)
      break;
  }

  // One statement is represented by the author fields alone; several are also listed, in page
  // order, in front of the other contributors.
  if (state.StatementCount == 1)
    state.StatementLog.clear();
  if (!state.TitleFound)
    return false;
  recordpage::ComposeTitle(state, rec);
  recordpage::CompleteContributors(state, rec);
  recordpage::CleanSummary(rec);
  recordpage::ApplyMarkerOverrides(pagePath + ".rimaso_private", "全年齢", "", rec);
  return true;
}

}  // namespace vostrel
