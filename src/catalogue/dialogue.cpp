// The catalogue's exchange for one ISBN: connectivity check, login page, visit page, ISBN
// search. Every answer comes back as a file in the work directory, written by the host.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "platform/platform.h"
#include "plugin/common.h"
#include "recordpage/recordpage.h"
#include "text/bytes.h"
#include "text/markup.h"

namespace vostrel {

namespace {

constexpr std::string_view kLoginPath = "/F?func=file&file_name=login&?RN";
constexpr std::string_view kHandleLine = "var url = ";
constexpr std::string_view kHandleStart = "/F/";
constexpr std::string_view kHandleStop = "?func";
constexpr std::string_view kVisitQuery = "?func=file&=&file_name=login%20%3FRN&pds_handle=";
// name="form1", two spaces, action=" : the line and the start of the search form's URL.
constexpr std::string_view kFormMarker = "name=\"form1\"  action=\"";
constexpr std::string_view kFormStop = "\">";
constexpr std::string_view kSearchQuery =
    "?func=find-a&find_code=WTYP&request=&request_op=AND&request=&request_op=AND"
    "&find_code=ISBN&request=";

// Asks the host to fetch `url` into `path`. Whatever stands at the path is removed first, so
// that a download that fails leaves no file, never the answer to an earlier request.
void Fetch(const std::string& path, const std::string& url) {
  if (platform::FileExists(path) && !platform::DeleteFileAt(path))
    throw platform::SystemError(path + "を削除できません。");
  HostDownload(path, url);
}

// The first line after the first one that contains `marker` (byte search); the first line of a
// page is never examined.
std::optional<std::string_view> LineWith(const std::vector<std::string>& lines,
                                         std::string_view marker) {
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (Contains(lines[i], marker))
      return lines[i];
  }
  return std::nullopt;
}

// The record page as fetched, decoded from UTF-8 and written back as code page 932 lines with
// CR LF. False when no record page was fetched.
bool DecodeRecordPage(const std::string& fetched, const std::string& decoded) {
  const auto lines = ReadTextLines(fetched);
  if (!lines)
    return false;
  const std::string page = Utf8ToAnsi(JoinLinesCrLf(*lines));
  std::vector<std::string> out;
  for (std::string_view line : SplitLines(page))
    out.emplace_back(line);
  WriteTextLines(decoded, out);
  return true;
}

}  // namespace

std::string LoginUrl() {
  return CatalogueBaseUrl() + std::string(kLoginPath);
}

Outcome QueryCatalogue(const std::string& confirmedIsbn) {
  const std::string base = CatalogueBaseUrl();
  const std::string loginUrl = base + std::string(kLoginPath);
  const std::string pagePath = WorkDir + "Temp.html";
  const std::string recordPath = WorkDir + "Temp2.txt";

  if (!HostInternetConnect(loginUrl))
    return Outcome::Offline;

  // The login page carries the visit handle in a script line.
  Fetch(pagePath, loginUrl);
  std::string visitUrl;
  {
    const auto lines = ReadTextLines(pagePath);
    if (!lines)
      return Outcome::Skipped;
    const auto line = LineWith(*lines, kHandleLine);
    if (!line)
      return Outcome::Skipped;
    // Taken exactly as it stands in the page; a line without the start marker gives an empty
    // handle, and the exchange goes on with it.
    const std::string_view handle =
        ExtractBetween(*line, base + std::string(kHandleStart), kHandleStop);
    visitUrl = base + std::string(kHandleStart) + std::string(handle) + std::string(kVisitQuery);
  }

  // The visit page holds the search form, whose action is the absolute URL to search on.
  BookRec.WorkUrl = visitUrl;
  Fetch(pagePath, BookRec.WorkUrl);
  std::string searchUrl;
  {
    const auto lines = ReadTextLines(pagePath);
    if (!lines)
      return Outcome::Skipped;
    const auto line = LineWith(*lines, kFormMarker);
    if (!line)
      return Outcome::Skipped;
    searchUrl = std::string(ExtractBetween(*line, kFormMarker, kFormStop)) +
                std::string(kSearchQuery) + confirmedIsbn;
  }

  // The search answers with the book's full-record page, in UTF-8.
  BookRec.WorkUrl = searchUrl;
  Fetch(recordPath, BookRec.WorkUrl);
  try {
    if (!DecodeRecordPage(recordPath, pagePath))
      return Outcome::Skipped;
  } catch (const DecodeError&) {
    // A page that is not UTF-8 costs this book only; the run goes on with the next ISBN.
    return Outcome::Skipped;
  }
  if (!platform::FileExists(pagePath))
    return Outcome::Skipped;

  return ParseRecordPage(pagePath) ? Outcome::Found : Outcome::Skipped;
}

}  // namespace vostrel
