// Publication and description rows: publisher and date, year of publication, extent and size,
// series, price and classification number; and the overrides a marker file next to the page
// asks for.
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "recordpage/rows.h"
#include "text/bytes.h"
#include "text/markup.h"
#include "text/numbers.h"

namespace vostrel::recordpage {

namespace {

// The cleaning most description cells share: tabs and both kinds of space removed, then the
// markup.
std::string PlainCell(std::string_view value) {
  std::string text = RemoveAll(value, "\t");
  text = RemoveAll(text, " ");
  text = RemoveAll(text, "　");
  return StripMarkup(text);
}

}  // namespace

void PublicationRow(std::string_view value, ScanState&, TBase& rec) {
  // ">" stands where a no-break space was (StripMarkup) and is not part of any value.
  const std::string text = RemoveAll(PlainCell(value), ">");

  rec.Publisher = ExtractBetween(text, ":", ",");
  // The date follows the first ","; without one it is read from the start of the statement.
  const std::string_view date =
      ClippedSubstr(text, static_cast<long long>(PositionOf(text, ",")) + 1, 10);
  rec.PubYear = ClippedSubstr(date, 1, 4);
  rec.PubMonth = RemoveAll(ClippedSubstr(date, 6, 2), ".");

  // "青空書房∥アオゾラ": the name before the reading, with whatever place stands before it.
  if (const std::size_t bar = PositionOf(text, "∥"); bar > 0)
    rec.Publisher = BytesBefore(text, bar);
}

void PublicationYearRow(std::string_view value, ScanState&, TBase& rec) {
  // An empty value (no font line after the label) empties both fields.
  const std::string line = RemoveAll(value, "\t");
  std::string year = ReplaceAll(ExtractBetween(line, kYearFont, "</FONT>"), ".", "_");
  year = NarrowAlnum(year);
  rec.PubYear = ClippedSubstr(year, 1, 4);
  rec.PubMonth = ClippedSubstr(year, 6, 7);
}

void ExtentRow(std::string_view value, ScanState&, TBase& rec) {
  std::string text = RemoveAll(PlainCell(value), ">");
  text = NarrowAlnum(RemoveAll(text, "."));

  const std::size_t semicolon = PositionOf(text, ";");
  std::string_view size = ClippedSubstr(text, static_cast<long long>(semicolon) + 1, 20);
  // Accompanying material ("20cm+CD1枚") is not part of the size.
  if (const std::size_t plus = PositionOf(size, "+"); plus > 0)
    size = BytesBefore(size, plus);
  rec.BookSize = NormalizeSize(size);

  // "1冊;26cm" names no pages and leaves Pages alone.
  const std::string_view pages = BytesBefore(text, semicolon);
  if (Contains(pages, "p"))
    rec.Pages = RemoveAll(pages, "p");
}

void SeriesRow(std::string_view value, ScanState&, TBase& rec) {
  rec.Series = Trim(RemoveAll(PlainCell(value), ">"));
}

void PriceRow(std::string_view value, ScanState&, TBase& rec) {
  // A price already taken from the book's second barcode wins over the page.
  if (!rec.Price.empty())
    return;
  rec.Price = RemoveAll(RemoveAll(PlainCell(value), ">"), "円");
}

void NdcRow(std::string_view value, ScanState& state, TBase& rec) {
  if (state.NdcOption)
    rec.Ndc = PlainCell(value);
}

void ApplyMarkerOverrides(const std::string& markerPath, std::string_view audience,
                          std::string_view ndc, TBase& rec) {
  if (!platform::FileExists(markerPath))
    return;
  rec.BookSize = RemoveAll(ReplaceAll(rec.BookSize, "文庫", "A6"), "コミック");
  rec.Audience = audience;
  rec.Ndc = ndc;
  rec.WorkUrl.clear();
}

}  // namespace vostrel::recordpage
