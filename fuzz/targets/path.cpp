// One ISBN's whole road through the lookup run: the host's answers (login page, visit page and
// the record page in UTF-8) are arbitrary bytes; the run must write a whole output file that
// holds nothing but sound record lines.
//
// Input parts: the record page, then optionally the login page and the visit page (absent: the
// catalogue's usual pages). This executable plays the host: it exports the host's functions,
// and the plug-in code binds them from it.
#include <cstdint>

#include "common/checks.h"
#include "common/support.h"
#include "common/target.h"
#include "plugin/run.h"

namespace {

using namespace vostrel;

constexpr std::string_view kBase = "http://opac.fuzz.test";

struct Answers {
  std::string_view login, visit, record;
} answers;

constexpr std::string_view kLoginPage =
    "<html>\r\nvar url = \"http://opac.fuzz.test/F/ABC123?func=file&file_name=login\";\r\n";
constexpr std::string_view kVisitPage =
    "<html>\r\n<form name=\"form1\"  action=\"http://opac.fuzz.test/F/XYZ789\">\r\n";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

extern "C" {
__attribute__((visibility("default"))) std::int32_t InternetConnectFunc(const char*) {
  return 1;
}
__attribute__((visibility("default"))) std::int32_t HTTPDownloadFunc(const char* path,
                                                                     const char* url) {
  const std::string_view u = url;
  std::string_view body;
  if (StartsWith(u, std::string(kBase) + "/F?func=file&file_name=login"))
    body = answers.login;
  else if (u.find("pds_handle=") != std::string_view::npos)
    body = answers.visit;
  else if (u.find("find_code=ISBN&request=") != std::string_view::npos)
    body = answers.record;
  else
    return 0;
  fuzz::PutFile(path, body);
  return 1;
}
__attribute__((visibility("default"))) const char* ISBNChkFunc(const char* isbn) {
  return isbn;
}
#define VOSTREL_FUZZ_HOST_STUB(name)                           \
  __attribute__((visibility("default"))) std::int32_t name() { \
    return 0;                                                  \
  }
VOSTREL_FUZZ_HOST_STUB(HTTPBinaryDownloadFunc)
VOSTREL_FUZZ_HOST_STUB(HTTPFlagDownloadFunc)
VOSTREL_FUZZ_HOST_STUB(RefreshFunc)
VOSTREL_FUZZ_HOST_STUB(ExportFunc)
VOSTREL_FUZZ_HOST_STUB(InportFunc)
VOSTREL_FUZZ_HOST_STUB(JANChkFunc)
VOSTREL_FUZZ_HOST_STUB(ASINChkFunc)
VOSTREL_FUZZ_HOST_STUB(PluginListFunc)
VOSTREL_FUZZ_HOST_STUB(AcquireCDShow)
VOSTREL_FUZZ_HOST_STUB(WaitWindowView)
VOSTREL_FUZZ_HOST_STUB(WaitBarView)
VOSTREL_FUZZ_HOST_STUB(WaitWindowClose)
VOSTREL_FUZZ_HOST_STUB(SelectExportFunc)
}

namespace {

// Runs the lookup of one ISBN over the given answers; the output file's content.
std::optional<std::string> RunOnce(std::string_view record, std::string_view login,
                                   std::string_view visit) {
  const std::string& dir = fuzz::WorkDirectory();
  fuzz::PutFile(dir + "tovan.dat", "CATALOGUE_URL=" + std::string(kBase) + "\r\n");
  for (const char* stale : {"Temp.html", "Temp2.txt", "out.txt"})
    fuzz::PutFile(dir + stale, std::nullopt);
  answers = {login, visit, record};
  const std::string output = dir + "out.txt";
  LookupRun(dir.c_str(), output.c_str(), "9784000000000");
  return fuzz::GetFile(output);
}

}  // namespace

VOSTREL_FUZZ_SELF_CHECK(path) {
  const auto out = RunOnce(
      "<html>\r\n<b>\xE3\x82\xBF\xE3\x82\xA4\xE3\x83\x88\xE3\x83\xAB</b>\r\n"  // タイトル
      "<td>\xE6\x9C\xAC</td>\r\n</html>\r\n",                                  // 本
      kLoginPage, kVisitPage);
  FUZZ_CHECK(out.has_value());
  FUZZ_CHECK(StartsWith(*out, "9784000000000,本,"));
  FUZZ_CHECK(out->size() > 2 && out->substr(out->size() - 2) == "\r\n");
}

VOSTREL_FUZZ_TARGET(path) {
  const auto parts = fuzz::SplitParts(fuzz::AsText(data, size), 3);
  const auto out = RunOnce(*parts[0], parts[1].value_or(kLoginPage), parts[2].value_or(kVisitPage));
  // Whatever the host answered, the run leaves a whole output file: empty, or one sound line.
  FUZZ_CHECK(out.has_value());
  if (!out->empty()) {
    FUZZ_CHECK(out->size() >= 2 && out->substr(out->size() - 2) == "\r\n");
    const std::string_view line = std::string_view(*out).substr(0, out->size() - 2);
    const std::string problem = fuzz::RecordLineProblem(line);
    FUZZ_CHECK_MSG(problem.empty(), problem);
  }
  // No temporary file is left behind.
  for (const std::string& name : fuzz::DirectoryEntries(fuzz::WorkDirectory()))
    FUZZ_CHECK_MSG(name.find("tmp") == std::string::npos, name);
}
