#include <gtest/gtest.h>

#include <unistd.h>
#include "files.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "platform/platform.h"
#include "plugin/common.h"

namespace vostrel {
namespace {

namespace fs = std::filesystem;

// The catalogue the work directory's option file points at, and its exchange for one book.
constexpr const char* kOption = "CATALOGUE_URL=https://lib.test\r\n";
constexpr const char* kIsbn = "9784000000019";
const std::string kLogin = "https://lib.test/F?func=file&file_name=login&?RN";
const std::string kLoginPage =
    "<html>\r\n<script>\r\n"
    "var url = 'https://lib.test/F/H4%2FND-LE?func=file&file_name=login';\r\n"
    "</script>\r\n";
// The handle goes into the visit URL exactly as it stands in the page.
const std::string kVisit =
    "https://lib.test/F/H4%2FND-LE?func=file&=&file_name=login%20%3FRN&pds_handle=";
const std::string kVisitPage =
    "<html>\n<form method=get name=\"form1\"  action=\"https://lib.test/F/SEARCH-77\">\n</form>\n";
const std::string kSearch =
    "https://lib.test/F/SEARCH-77?func=find-a&find_code=WTYP&request=&request_op=AND&request=&"
    "request_op=AND&find_code=ISBN&request=9784000000019";
// The record page in UTF-8 with mixed line breaks and no break at the end, and the same page
// as the scan reads it: code page 932 with CR LF after every line.
const std::string kRecordPage = "<html>\n<b>\xE3\x81\x82</b>\rend";
const std::string kDecodedPage = "<html>\r\n<b>\x82\xA0</b>\r\nend\r\n";

// The host as each test scripts it: connectivity, download answers by URL (a URL not listed
// fails and writes nothing), and what it was asked.
struct Script {
  std::int32_t connected = 1;
  std::map<std::string, std::string> answers;
  std::vector<std::string> connects;
  std::vector<std::string> urls;
  std::vector<std::string> paths;
};
Script script;

std::int32_t VOSTREL_STDCALL ScriptedConnect(const char* url) {
  script.connects.emplace_back(url);
  return script.connected;
}

std::int32_t VOSTREL_STDCALL ScriptedDownload(const char* path, const char* url) {
  script.paths.emplace_back(path);
  script.urls.emplace_back(url);
  const auto answer = script.answers.find(url);
  if (answer == script.answers.end())
    return 0;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << answer->second;
  return 1;
}

const char* VOSTREL_STDCALL ScriptedIsbnCheck(const char* isbn) {
  return isbn;
}

using testing::ReadFileIfPresent;

class Catalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    savedHost_ = Host;
    savedWorkDir_ = WorkDir;
    script = Script{};
    Host = HostBinding{};
    Host.functions[0] = reinterpret_cast<void*>(&ScriptedConnect);
    Host.functions[1] = reinterpret_cast<void*>(&ScriptedDownload);
    Host.functions[7] = reinterpret_cast<void*>(&ScriptedIsbnCheck);
    dir_ = fs::temp_directory_path() /
           ("vostrel-catalogue-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Reset();
  }
  void TearDown() override {
    fs::remove_all(dir_);
    Host = savedHost_;
    WorkDir = savedWorkDir_;
    ClearBook();
  }

  // A fresh work directory with the option file, an empty record and an empty script.
  void Reset() {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::ofstream(dir_ / "tovan.dat", std::ios::binary) << kOption;
    WorkDir = dir_.string() + "/";
    ClearBook();
    const std::int32_t connected = script.connected;
    script = Script{};
    script.connected = connected;
  }

  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }

  fs::path dir_;

 private:
  HostBinding savedHost_;
  std::string savedWorkDir_;
};

TEST_F(Catalogue, ExchangeRequestsAndStops) {
  struct Case {
    const char* label;
    std::map<std::string, std::string> answers;
    std::vector<std::string> wantUrls;
    std::string wantWorkUrl;
    std::optional<std::string> wantPage;  // Temp.html afterwards
  };
  const std::string onlyFirstLine = "var url = 'https://lib.test/F/H?func=x';\r\n<html>\r\n";
  const std::string singleLine = "<html><script>var url = 'https://lib.test/F/H?func=x';</script>";
  const std::string noStart = "<html>\nvar url = 'https://elsewhere.test/F/H?func=x';\n";
  const std::string emptyHandleVisit =
      "https://lib.test/F/?func=file&=&file_name=login%20%3FRN&pds_handle=";
  const std::string noStop = "<html>\nvar url = 'https://lib.test/F/ABC';\n";
  const std::string restOfLineVisit =
      "https://lib.test/F/ABC';?func=file&=&file_name=login%20%3FRN&pds_handle=";
  const std::string oneSpace =
      "<html>\n<form method=get name=\"form1\" action=\"https://lib.test/F/SEARCH-77\">\n";
  const std::string formFirstLine =
      "<form name=\"form1\"  action=\"https://lib.test/F/SEARCH-77\">\n</form>\n";
  const std::string formUnclosed = "<html>\n<form name=\"form1\"  action=\"https://other.test/S\n";
  const std::string unclosedSearch =
      "https://other.test/S?func=find-a&find_code=WTYP&request=&request_op=AND&request=&"
      "request_op=AND&find_code=ISBN&request=9784000000019";

  const Case cases[] = {
      {"whole exchange; the page is decoded for the scan",
       {{kLogin, kLoginPage}, {kVisit, kVisitPage}, {kSearch, kRecordPage}},
       {kLogin, kVisit, kSearch},
       kSearch,
       kDecodedPage},
      {"handle line only on the first line",
       {{kLogin, onlyFirstLine}, {kVisit, kVisitPage}},
       {kLogin},
       "",
       onlyFirstLine},
      {"single-line login page", {{kLogin, singleLine}}, {kLogin}, "", singleLine},
      {"handle line without the start marker: empty handle",
       {{kLogin, noStart}, {emptyHandleVisit, kVisitPage}, {kSearch, kRecordPage}},
       {kLogin, emptyHandleVisit, kSearch},
       kSearch,
       kDecodedPage},
      {"handle without a stop marker: rest of the line",
       {{kLogin, noStop}, {restOfLineVisit, kVisitPage}, {kSearch, kRecordPage}},
       {kLogin, restOfLineVisit, kSearch},
       kSearch,
       kDecodedPage},
      {"form marker with one space",
       {{kLogin, kLoginPage}, {kVisit, oneSpace}},
       {kLogin, kVisit},
       kVisit,
       oneSpace},
      {"form marker on the first line only",
       {{kLogin, kLoginPage}, {kVisit, formFirstLine}},
       {kLogin, kVisit},
       kVisit,
       formFirstLine},
      {"form URL without its stop marker: rest of the line",
       {{kLogin, kLoginPage}, {kVisit, formUnclosed}, {unclosedSearch, kRecordPage}},
       {kLogin, kVisit, unclosedSearch},
       unclosedSearch,
       kDecodedPage},
      {"login page not fetched", {}, {kLogin}, "", std::nullopt},
      {"visit page not fetched", {{kLogin, kLoginPage}}, {kLogin, kVisit}, kVisit, std::nullopt},
      {"record page not fetched",
       {{kLogin, kLoginPage}, {kVisit, kVisitPage}},
       {kLogin, kVisit, kSearch},
       kSearch,
       kVisitPage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Reset();
    script.answers = c.answers;
    // The record page has no title row: the scan finds nothing, whatever else happened.
    EXPECT_EQ(QueryCatalogue(kIsbn), Outcome::Skipped);
    EXPECT_EQ(script.connects, std::vector<std::string>{kLogin});
    EXPECT_EQ(script.urls, c.wantUrls);
    EXPECT_EQ(BookRec.WorkUrl, c.wantWorkUrl);
    EXPECT_EQ(ReadFileIfPresent(dir_ / "Temp.html"), c.wantPage);
  }
}

TEST_F(Catalogue, AnswersAreExchangedThroughTheTwoWorkFiles) {
  script.answers = {{kLogin, kLoginPage}, {kVisit, kVisitPage}, {kSearch, kRecordPage}};
  QueryCatalogue(kIsbn);
  const std::string page = WorkDir + "Temp.html";
  EXPECT_EQ(script.paths, (std::vector<std::string>{page, page, WorkDir + "Temp2.txt"}));
  // The record page stays as fetched; its decoded form went to Temp.html.
  EXPECT_EQ(ReadFileIfPresent(dir_ / "Temp2.txt"), kRecordPage);
}

TEST_F(Catalogue, OfflineWhenTheConnectivityCheckFails) {
  // Only the low 8 bits of the host's answer count.
  for (const std::int32_t answer : {0, 0x100}) {
    SCOPED_TRACE(answer);
    Reset();
    script.connected = answer;
    script.answers = {{kLogin, kLoginPage}, {kVisit, kVisitPage}, {kSearch, kRecordPage}};
    EXPECT_EQ(QueryCatalogue(kIsbn), Outcome::Offline);
    EXPECT_EQ(script.connects, std::vector<std::string>{kLogin});
    EXPECT_TRUE(script.urls.empty());
  }
  EXPECT_EQ(LoginUrl(), kLogin);
}

// Former fault: a download that failed left the previous answer at its path, and the exchange
// read that answer as if it were the new one.
TEST_F(Catalogue, AFailedDownloadNeverServesAnEarlierAnswer) {
  struct Case {
    const char* label;
    std::map<std::string, std::string> answers;
    std::vector<std::string> wantUrls;
  };
  // An earlier page that would pass both the handle and the form steps.
  const std::string earlierPage = kLoginPage + std::string(kVisitPage);
  const Case cases[] = {
      {"login fails", {}, {kLogin}},
      {"visit fails", {{kLogin, earlierPage}}, {kLogin, kVisit}},
      {"search fails", {{kLogin, kLoginPage}, {kVisit, kVisitPage}}, {kLogin, kVisit, kSearch}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Reset();
    Write("Temp.html", earlierPage);
    Write("Temp2.txt", kRecordPage);
    script.answers = c.answers;
    EXPECT_EQ(QueryCatalogue(kIsbn), Outcome::Skipped);
    EXPECT_EQ(script.urls, c.wantUrls);
    // The earlier record page goes only when a new one is asked for.
    EXPECT_EQ(fs::exists(dir_ / "Temp2.txt"), c.wantUrls.size() < 3);
    EXPECT_NE(ReadFileIfPresent(dir_ / "Temp.html"), kDecodedPage);
  }
}

// Former fault: a record page that was not UTF-8 ended the whole run.
TEST_F(Catalogue, ARecordPageThatIsNotUtf8SkipsTheBook) {
  script.answers = {{kLogin, kLoginPage}, {kVisit, kVisitPage}, {kSearch, "<b>\x96\x7B</b>\n"}};
  Outcome outcome = Outcome::Found;
  EXPECT_NO_THROW(outcome = QueryCatalogue(kIsbn));
  EXPECT_EQ(outcome, Outcome::Skipped);
  EXPECT_EQ(script.urls, (std::vector<std::string>{kLogin, kVisit, kSearch}));
}

// A work file that cannot be replaced is an error of the run, not a book the catalogue lacks.
TEST_F(Catalogue, AWorkFileThatCannotBeRemovedEndsTheRun) {
  for (const char* blocked : {"Temp.html", "Temp2.txt"}) {
    SCOPED_TRACE(blocked);
    Reset();
    // A non-empty directory stands where the answer goes.
    fs::create_directories(dir_ / blocked / "inside");
    script.answers = {{kLogin, kLoginPage}, {kVisit, kVisitPage}, {kSearch, kRecordPage}};
    EXPECT_THROW(QueryCatalogue(kIsbn), platform::SystemError);
  }
}

}  // namespace
}  // namespace vostrel
