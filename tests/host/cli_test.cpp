// zelkon's command line, run as a program: with the real plug-in, with a plug-in of the tests'
// own, and with arguments it must refuse.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include "files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using vostrel::testing::ReadFileIfPresent;

std::string Quoted(const std::string& arg) {
  std::string out = "'";
  for (char c : arg)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct Result {
  int status = -1;
  std::string out, err;
};

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zelkon-cli-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "work");
    work_ = (dir_ / "work").string() + "/";
  }
  void TearDown() override { fs::remove_all(dir_); }

  Result Run(const std::vector<std::string>& args) const {
    std::string command = "TMPDIR=" + Quoted(dir_.string()) + " " + Quoted(ZELKON_PATH);
    for (const std::string& arg : args)
      command += " " + Quoted(arg);
    const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    command += " >" + Quoted(out.string()) + " 2>" + Quoted(err.string()) + " </dev/null";
    const int raw = std::system(command.c_str());
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadFileIfPresent(out).value_or("");
    r.err = ReadFileIfPresent(err).value_or("");
    return r;
  }

  fs::path dir_;
  std::string work_;
};

std::string Utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

TEST_F(Cli, InfoShowsWhatThePluginReports) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"info"},
        std::vector<std::string>{"info", "--plugin", VOSTREL_PLUGIN_PATH}}) {
    SCOPED_TRACE(args.size());
    const Result r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Utf8(u8"entry:   DownlaodFunc\n"
                          u8"title:   ISBN検索 Vostrel\n"
                          u8"credit:  Tovan based on ORBELT and Rimaso\n"
                          u8"version: 1.2.3\n"
                          u8"kind:    3\n"));
    EXPECT_EQ(r.err, "");
  }
}

// The real plug-in binds zelkon's functions: the host's ISBN check turns both ISBNs away, so
// the run makes no catalogue request and writes an empty output file.
TEST_F(Cli, LookupWithIsbnsTheHostRejects) {
  const Result r = Run({"lookup", "--workdir", work_, "123", "4061495004"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "work directory: " + work_ + "\noutput: " + work_ +
                       "output.txt\n0 found, 2 not found: 123 4061495004\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFileIfPresent(work_ + "output.txt"), "");
}

TEST_F(Cli, OfflineCatalogueIsReportedByThePlugin) {
  std::ofstream(work_ + "tovan.dat") << "CATALOGUE_URL=http://127.0.0.1:9\r\n";
  const Result r = Run({"lookup", "--workdir", work_, "--observe-messages", "978-4-06-149500-5"});
  EXPECT_EQ(r.err, Utf8(u8"インターネットに接続されていません "
                        u8"http://127.0.0.1:9/F?func=file&file_name=login&?RN\n"));
}

TEST_F(Cli, ShowsTheBooksOfTheOutputFile) {
  std::ofstream(dir_ / "list.txt", std::ios::binary)
      << "\xEF\xBB\xBF 9784061495005 \r\n\r\n4061495003\n\t9791000000008\n";
  const Result r =
      Run({"lookup", "--plugin", FAKE_PLUGIN_PATH, "--workdir", (dir_ / "work").string(), "--out",
           (dir_ / "books.txt").string(), "--list", (dir_ / "list.txt").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  // The entry the plug-in names is called with the work directory closed by a separator and
  // the list lines joined with CR LF.
  EXPECT_EQ(ReadFileIfPresent(work_ + "arguments.txt"),
            work_ + "\n" + (dir_ / "books.txt").string() +
                "\n9784061495005\r\n4061495003\r\n9791000000008");
  EXPECT_EQ(r.out, "work directory: " + work_ + "\noutput: " + (dir_ / "books.txt").string() +
                       "\n" +
                       Utf8(u8"ISBN           Title          Vol  Authors              "
                            u8"Publisher  Year  Pages  Size  Price\n"
                            u8"-------------  -------------  ---  -------------------  "
                            u8"---------  ----  -----  ----  -----\n"
                            u8"9784061495005  本の話 : 続編  2    山田太郎 / Jane Roe  "
                            u8"青空書房   2005  320    19cm  1500\n"
                            u8"9791000000008  本の話 : 続編  2    山田太郎 / Jane Roe  "
                            u8"青空書房   2005  320    19cm  1500\n"
                            u8"2 found, 1 not found: 4061495003\n"));
}

TEST_F(Cli, DefaultWorkDirectoryIsANewTemporaryOne) {
  const Result r = Run({"lookup", "--plugin", FAKE_PLUGIN_PATH, "9784061495005"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string prefix = "work directory: " + (dir_ / "zelkon-").string();
  ASSERT_EQ(r.out.compare(0, prefix.size(), prefix), 0) << r.out;
  const std::string workdir = r.out.substr(16, r.out.find('\n') - 16);
  ASSERT_EQ(workdir.back(), '/');
  EXPECT_TRUE(fs::exists(workdir + "output.txt"));
  EXPECT_NE(r.out.find("\noutput: " + workdir + "output.txt\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 found, 0 not found\n"), std::string::npos) << r.out;
}

TEST_F(Cli, ExitStatusTellsWhatWentWrong) {
  struct Case {
    const char* label;
    std::vector<std::string> args;
    int want;
  };
  const std::string missing = (dir_ / "missing").string();
  const Case cases[] = {
      {"no command", {}, 2},
      {"unknown command", {"frobnicate"}, 2},
      {"lookup without ISBNs", {"lookup", "--workdir", work_}, 2},
      {"ISBNs and a list", {"lookup", "--list", missing, "123"}, 2},
      {"unreadable list", {"lookup", "--list", missing}, 2},
      {"missing work directory", {"lookup", "--workdir", missing, "123"}, 2},
      {"timeout not a number", {"lookup", "--timeout", "soon", "123"}, 2},
      {"option without its value", {"lookup", "123", "--out"}, 2},
      {"unknown option", {"lookup", "--fast", "123"}, 2},
      {"ISBN given to info", {"info", "123"}, 2},
      {"unusable certificate file", {"lookup", "--cacert", missing, "123"}, 2},
      {"message log without observing", {"lookup", "--message-log", missing, "123"}, 2},
      {"plug-in missing", {"info", "--plugin", missing}, 3},
      {"plug-in not a module", {"lookup", "--plugin", ZELKON_PATH, "--workdir", work_, "123"}, 3},
      {"module without funcGetInfo", {"info", "--plugin", "libm.so.6"}, 3},
      {"output file not written",
       {"lookup", "--workdir", work_, "--out", missing + "/out.txt", "123"},
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Result r = Run(c.args);
    EXPECT_EQ(r.status, c.want) << r.err;
    EXPECT_NE(r.err, "");
  }
}

}  // namespace
