// The record page scan on arbitrary page bytes, with arbitrary option and marker files.
//
// Input: page bytes, then optionally the separator and the option file "tovan.dat", then
// optionally the separator and the marker file; an absent part means no such file.
#include "recordpage/recordpage.h"
#include "common/checks.h"
#include "common/support.h"
#include "common/target.h"
#include "contributors/contributors.h"

namespace {

using namespace vostrel;

// The page as the scan's entity pre-pass leaves it.
std::string AfterEntityPrePass(std::string_view page) {
  return ReplaceAll(
      ReplaceAll(ReplaceAll(ReplaceAll(page, "&amp;", "&"), "&quot;", "”"), "&lt;", "<"), "&gt;",
      ">");
}

bool Scan(const std::string& page, TBase& rec) {
  const std::string& dir = fuzz::WorkDirectory();
  WorkDir = dir;
  fuzz::PutFile(dir + "Temp.html", page);
  ClearBook(rec);
  return ParseRecordPage(dir + "Temp.html", rec);
}

}  // namespace

VOSTREL_FUZZ_SELF_CHECK(recordpage) {
  const std::string& dir = fuzz::WorkDirectory();
  fuzz::PutFile(dir + "tovan.dat", std::nullopt);
  fuzz::PutFile(dir + "Temp.html.rimaso_private", std::nullopt);
  FreeAuthorDictionary();
  TBase rec;
  FUZZ_CHECK(Scan("<b>タイトル</b>\r\n<td>本の話</td>\r\n", rec));
  FUZZ_CHECK(rec.Title == "本の話");
  // A title label in the last line is never visited.
  FUZZ_CHECK(!Scan("x\r\n<b>タイトル</b>\r\n", rec));
  StopRequested = 1;
  FUZZ_CHECK(!Scan("<b>タイトル</b>\r\n<td>本の話</td>\r\n", rec));
  StopRequested = 0;
}

VOSTREL_FUZZ_TARGET(recordpage) {
  const auto parts = fuzz::SplitParts(fuzz::AsText(data, size), 3);
  const std::string& dir = fuzz::WorkDirectory();
  WorkDir = dir;
  const std::string pagePath = dir + "Temp.html";
  fuzz::PutFile(pagePath, parts[0]);
  fuzz::PutFile(dir + "tovan.dat", parts[1]);
  fuzz::PutFile(pagePath + ".rimaso_private", parts[2]);
  FreeAuthorDictionary();
  StopRequested = 0;

  TBase rec;
  const bool found = ParseRecordPage(pagePath, rec);
  if (found) {
    // Only a page with a title row (before its last line) is read as a book.
    const std::string page = AfterEntityPrePass(UpToNul(*parts[0]));
    FUZZ_CHECK(Contains(page, "<b>タイトル</b>"));
    rec.WorkUrl.clear();
    fuzz::CheckRecordLine(rec);
  }
}
