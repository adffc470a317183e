// A host of our own, scripted by each test, that loads the plug-in module and calls its two
// exports the way the host application does.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "files.h"

namespace fs = std::filesystem;

namespace {

// What the scripted host answers and what it saw.
struct Script {
  std::function<std::string(const std::string&)> isbnCheck = [](const std::string& s) { return s; };
  bool connected = true;
  std::map<std::string, std::string> files;  // download answers by URL; absent: no file
  std::vector<std::string> isbnsChecked;
  std::vector<std::string> urls;
};
Script script;
std::string confirmedIsbn;

}  // namespace

// The sixteen host functions, exported by name from this executable.
extern "C" {
__attribute__((visibility("default"))) std::int32_t InternetConnectFunc(const char*) {
  return script.connected ? 1 : 0;
}
__attribute__((visibility("default"))) std::int32_t HTTPDownloadFunc(const char* path,
                                                                     const char* url) {
  script.urls.emplace_back(url);
  const auto answer = script.files.find(url);
  if (answer == script.files.end())
    return 0;
  std::ofstream(path, std::ios::binary) << answer->second;
  return 1;
}
__attribute__((visibility("default"))) const char* ISBNChkFunc(const char* isbn) {
  script.isbnsChecked.emplace_back(isbn);
  confirmedIsbn = script.isbnCheck(isbn);
  return confirmedIsbn.c_str();
}
#define VOSTREL_UNUSED_HOST_FUNCTION(name)                     \
  __attribute__((visibility("default"))) std::int32_t name() { \
    return 0;                                                  \
  }
VOSTREL_UNUSED_HOST_FUNCTION(HTTPBinaryDownloadFunc)
VOSTREL_UNUSED_HOST_FUNCTION(HTTPFlagDownloadFunc)
VOSTREL_UNUSED_HOST_FUNCTION(RefreshFunc)
VOSTREL_UNUSED_HOST_FUNCTION(ExportFunc)
VOSTREL_UNUSED_HOST_FUNCTION(InportFunc)
VOSTREL_UNUSED_HOST_FUNCTION(JANChkFunc)
VOSTREL_UNUSED_HOST_FUNCTION(ASINChkFunc)
VOSTREL_UNUSED_HOST_FUNCTION(PluginListFunc)
VOSTREL_UNUSED_HOST_FUNCTION(AcquireCDShow)
VOSTREL_UNUSED_HOST_FUNCTION(WaitWindowView)
VOSTREL_UNUSED_HOST_FUNCTION(WaitBarView)
VOSTREL_UNUSED_HOST_FUNCTION(WaitWindowClose)
#ifndef VOSTREL_HOST_WITHOUT_SELECT_EXPORT
VOSTREL_UNUSED_HOST_FUNCTION(SelectExportFunc)
#endif
}

namespace {

using GetInfoFn = void (*)(std::uint32_t, char*, char*, char*, char*, char*, std::uint32_t);
using DownloadFn = void (*)(const char*, const char*, const char*);

class Plugin {
 public:
  Plugin() : module_(dlopen(VOSTREL_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL)) {}
  ~Plugin() {
    if (module_ != nullptr)
      dlclose(module_);
  }
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  GetInfoFn GetInfo() const { return reinterpret_cast<GetInfoFn>(dlsym(module_, "funcGetInfo")); }
  DownloadFn Download() const {
    return reinterpret_cast<DownloadFn>(dlsym(module_, "DownlaodFunc"));
  }

 private:
  void* module_;
};

// Messages reach standard error in UTF-8.
std::string Utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

[[maybe_unused]] std::string ReadFile(const fs::path& path) {
  return vostrel::testing::ReadFileIfPresent(path).value_or(std::string());
}

class ScriptedHost : public ::testing::Test {
 protected:
  void SetUp() override {
    script = Script{};
    dir_ = fs::temp_directory_path() /
           ("vostrel-host-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    workDir_ = dir_.string() + "/";
    output_ = (dir_ / "out.txt").string();
    ASSERT_NE(plugin_.GetInfo(), nullptr);
    ASSERT_NE(plugin_.Download(), nullptr);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs a lookup and returns what the plug-in wrote to standard error.
  std::string Run(const char* isbnList) {
    ::testing::internal::CaptureStderr();
    plugin_.Download()(workDir_.c_str(), output_.c_str(), isbnList);
    return ::testing::internal::GetCapturedStderr();
  }

  Plugin plugin_;
  fs::path dir_;
  std::string workDir_, output_;
};

#ifndef VOSTREL_HOST_WITHOUT_SELECT_EXPORT

TEST_F(ScriptedHost, GetInfoCutsEachTextToTheBufferSize) {
  struct Case {
    const char* label;
    std::uint32_t size;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"size 1: empty texts", 1, {"", "", "", "", ""}},
      {"size 6: five bytes, a character cut in half",
       6,
       {"Downl", "ISBN\x8C", "Tovan", "1.2.3", "3"}},
      {"size 256: whole texts",
       256,
       {"DownlaodFunc", "ISBN検索 Vostrel", "Tovan based on ORBELT and Rimaso", "1.2.3", "3"}},
      {"high half of the size slot ignored",
       0xABCD0006u,
       {"Downl", "ISBN\x8C", "Tovan", "1.2.3", "3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::vector<char>> buffers(5, std::vector<char>(300, '#'));
    plugin_.GetInfo()(0xDEADBEEF, buffers[0].data(), buffers[1].data(), buffers[2].data(),
                      buffers[3].data(), buffers[4].data(), c.size);
    for (std::size_t i = 0; i < 5; ++i) {
      EXPECT_EQ(std::string(buffers[i].data()), c.want[i]);
      // Nothing is written past the NUL.
      EXPECT_EQ(buffers[i][c.want[i].size() + 1], '#');
    }
  }
}

TEST_F(ScriptedHost, EmptyListShowsTheMessageAndLeavesNoOutputFile) {
  for (const char* list : {static_cast<const char*>(nullptr), ""}) {
    std::ofstream(output_) << "an earlier run's lines\r\n";
    EXPECT_EQ(Run(list), Utf8(u8"検索するISBNを取得できませんでした\n"));
    EXPECT_FALSE(fs::exists(output_));
    EXPECT_TRUE(script.isbnsChecked.empty());
  }
}

TEST_F(ScriptedHost, IsbnsTheHostRejectsGiveAnEmptyOutputFile) {
  script.isbnCheck = [](const std::string&) { return std::string(); };
  std::ofstream(output_) << "an earlier run's lines\r\n";
  EXPECT_EQ(Run("4000000000\r\n123\n\n9780000000000"), "");
  ASSERT_TRUE(fs::exists(output_));
  EXPECT_EQ(ReadFile(output_), "");
  // Every line reaches the ISBN check, the empty one included; no catalogue request is made.
  EXPECT_EQ(script.isbnsChecked,
            (std::vector<std::string>{"4000000000", "123", "", "9780000000000"}));
  EXPECT_TRUE(script.urls.empty());
}

TEST_F(ScriptedHost, ASingleLineBreakIsOneEmptyIsbn) {
  script.isbnCheck = [](const std::string&) { return std::string(); };
  EXPECT_EQ(Run("\r\n"), "");
  EXPECT_EQ(script.isbnsChecked, std::vector<std::string>{""});
  EXPECT_EQ(ReadFile(output_), "");
}

TEST_F(ScriptedHost, BarcodeLinesReachTheIsbnCheckAsTheirSplitsSay) {
  script.isbnCheck = [](const std::string&) { return std::string(); };
  Run("4123456789C1920980\n9784123456789XXX19201001200\n41234567891\n");
  EXPECT_EQ(script.isbnsChecked,
            (std::vector<std::string>{"4123456789", "9784123456789XXX19201001200", "41234567891"}));
}

TEST_F(ScriptedHost, OfflineKeepsNothingButShowsTheLoginUrl) {
  script.connected = false;
  std::ofstream(workDir_ + "tovan.dat") << "CATALOGUE_URL=https://opac.test.invalid/\r\n";
  const std::string messages = Run("4000000000\n4000000001\n");
  EXPECT_EQ(messages, Utf8(u8"インターネットに接続されていません "
                           u8"https://opac.test.invalid/F?func=file&file_name=login&?RN\n"));
  // The run ends at the first ISBN: the second is never checked.
  EXPECT_EQ(script.isbnsChecked, std::vector<std::string>{"4000000000"});
  // No book had been found yet: the output file is there and empty.
  EXPECT_EQ(ReadFile(output_), "");
}

TEST_F(ScriptedHost, AnUnwritableOutputPathEndsTheRunWithAMessage) {
  script.isbnCheck = [](const std::string&) { return std::string(); };
  output_ = (dir_ / "missing-directory" / "out.txt").string();
  const std::string messages = Run("4000000000");
  EXPECT_NE(messages.find("missing-directory"), std::string::npos) << messages;
  EXPECT_FALSE(fs::exists(output_));
}

#else

TEST_F(ScriptedHost, AMissingHostFunctionEndsTheRunWithoutAnOutputFile) {
  std::ofstream(output_) << "an earlier run's lines\r\n";
  EXPECT_EQ(Run("4000000000"), Utf8(u8"error: 関数がありません。Bookvane、または、"
                                    u8"プラグインのバージョンが古い可能性があります。\n"));
  EXPECT_FALSE(fs::exists(output_));
  EXPECT_TRUE(script.isbnsChecked.empty());
}

#endif

}  // namespace
