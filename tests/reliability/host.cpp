#include "host.h"

#include "files.h"

#include <dlfcn.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "common/comma_text.h"

namespace vostrel::reliability {

Script script;

namespace {

constexpr std::string_view kLoginPage =
    "<html>\r\n"
    "var url = \"http://opac.reliability.test/F/HANDLE42?func=file&file_name=login\";\r\n"
    "</html>\r\n";
constexpr std::string_view kVisitPage =
    "<html>\r\n"
    "<form name=\"form1\"  action=\"http://opac.reliability.test/F/FORM7\">\r\n"
    "</html>\r\n";

std::string confirmed;  // the text the ISBN check hands back

void* Module() {
  static void* module = dlopen(VOSTREL_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  return module;
}

}  // namespace

Step StepOf(std::string_view url) {
  if (url.find("file_name=login&?RN") != std::string_view::npos)
    return Step::Login;
  if (url.find("pds_handle=") != std::string_view::npos)
    return Step::Visit;
  if (url.find("find_code=ISBN&request=") != std::string_view::npos)
    return Step::Record;
  return Step::Unknown;
}

std::int32_t CatalogueAnswer(Step step, const std::string& path, const std::string& url) {
  switch (step) {
    case Step::Login:
      WriteFile(path, kLoginPage);
      return 1;
    case Step::Visit:
      WriteFile(path, kVisitPage);
      return 1;
    case Step::Record: {
      const std::string isbn = url.substr(url.rfind('=') + 1);
      const auto record = script.records.find(isbn);
      if (record == script.records.end())
        return 0;
      WriteFile(path, record->second);
      return 1;
    }
    case Step::Unknown:
      break;
  }
  return 0;
}

std::string RecordPage(std::u8string_view title, std::u8string_view statement,
                       std::u8string_view synopsis) {
  std::u8string page = u8"<html>\r\n<table>\r\n<tr><th><b>タイトル</b></th>\r\n<td>";
  page += title;
  page += u8"</td></tr>\r\n";
  if (!statement.empty()) {
    page += u8"<tr><th>責任表示</th>\r\n<td>";
    page += statement;
    page += u8"</td></tr>\r\n";
  }
  if (!synopsis.empty()) {
    page += u8"<tr><th>>あらすじ<</th>\r\n<td>";
    page += synopsis;
    page += u8"</td></tr>\r\n";
  }
  page += u8"</table>\r\n</html>\r\n";
  return Bytes(page);
}

std::string ReadFile(const fs::path& path) {
  return testing::ReadFileIfPresent(path).value_or(std::string());
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

GetInfoFn GetInfo() {
  return reinterpret_cast<GetInfoFn>(dlsym(Module(), "funcGetInfo"));
}

DownloadFn Download() {
  return reinterpret_cast<DownloadFn>(dlsym(Module(), "DownlaodFunc"));
}

void HostTest::SetUp() {
  script = Script{};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir_ = fs::temp_directory_path() / ("vostrel-reliability-" + std::to_string(getpid()) + "-" +
                                      info->test_suite_name() + "-" + info->name());
  fs::remove_all(dir_);
  fs::create_directories(dir_ / "work");
  workDir_ = (dir_ / "work").string() + "/";
  output_ = (dir_ / "out.txt").string();
  WriteFile(workDir_ + "tovan.dat", "CATALOGUE_URL=" + std::string(kBase) + "\r\n");
  ASSERT_NE(GetInfo(), nullptr) << dlerror();
  ASSERT_NE(Download(), nullptr);
}

void HostTest::TearDown() {
  std::error_code ignored;
  fs::remove_all(dir_, ignored);
}

std::string HostTest::Run(const char* isbnList) {
  ::testing::internal::CaptureStderr();
  Download()(workDir_.c_str(), output_.c_str(), isbnList);
  return ::testing::internal::GetCapturedStderr();
}

std::optional<std::vector<std::string>> HostTest::OutputLines() {
  if (!fs::exists(output_))
    return std::nullopt;
  const std::string bytes = ReadFile(output_);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "the output file ends inside a line";
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    const std::string problem = fuzz::RecordLineProblem(lines.back());
    EXPECT_EQ(problem, "") << "line " << lines.size();
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> HostTest::Items(std::string_view line) {
  return fuzz::ParseCommaLine(line, false).items;
}

std::vector<std::string> HostTest::LeftoverTemporaryFiles() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    if (name.find("tmp") != std::string::npos)
      names.push_back(name);
  }
  return names;
}

}  // namespace vostrel::reliability

// The sixteen host functions, exported by name from this executable.
using vostrel::reliability::script;
using vostrel::reliability::Step;

extern "C" {
__attribute__((visibility("default"))) std::int32_t InternetConnectFunc(const char* url) {
  if (!script.connect)
    return 1;
  return script.connect(url) ? 1 : 0;
}
__attribute__((visibility("default"))) std::int32_t HTTPDownloadFunc(const char* path,
                                                                     const char* url) {
  const Step step = vostrel::reliability::StepOf(url);
  script.steps.push_back(step);
  if (script.download)
    return script.download(step, path, url);
  return vostrel::reliability::CatalogueAnswer(step, path, url);
}
__attribute__((visibility("default"))) const char* ISBNChkFunc(const char* isbn) {
  script.checked.emplace_back(isbn);
  if (script.isbnCheck)
    return script.isbnCheck(isbn);
  vostrel::reliability::confirmed = isbn;
  return vostrel::reliability::confirmed.c_str();
}
#define VOSTREL_RELIABILITY_HOST_STUB(name)                    \
  __attribute__((visibility("default"))) std::int32_t name() { \
    return 0;                                                  \
  }
VOSTREL_RELIABILITY_HOST_STUB(HTTPBinaryDownloadFunc)
VOSTREL_RELIABILITY_HOST_STUB(HTTPFlagDownloadFunc)
VOSTREL_RELIABILITY_HOST_STUB(RefreshFunc)
VOSTREL_RELIABILITY_HOST_STUB(ExportFunc)
VOSTREL_RELIABILITY_HOST_STUB(InportFunc)
VOSTREL_RELIABILITY_HOST_STUB(JANChkFunc)
VOSTREL_RELIABILITY_HOST_STUB(ASINChkFunc)
VOSTREL_RELIABILITY_HOST_STUB(PluginListFunc)
VOSTREL_RELIABILITY_HOST_STUB(AcquireCDShow)
VOSTREL_RELIABILITY_HOST_STUB(WaitWindowView)
VOSTREL_RELIABILITY_HOST_STUB(WaitBarView)
VOSTREL_RELIABILITY_HOST_STUB(WaitWindowClose)
VOSTREL_RELIABILITY_HOST_STUB(SelectExportFunc)
}
