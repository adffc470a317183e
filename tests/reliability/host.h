// A host of our own for the reliability tests: it loads the plug-in module, exports the host's
// sixteen functions (this executable is named zelkon, so the plug-in binds it), and answers the
// catalogue's requests from a script that each test may bend: a failing connectivity check, a
// download that fails or writes garbage, an ISBN check that answers null.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cpu_time.h"

namespace vostrel::reliability {

namespace fs = std::filesystem;

// The three requests of one ISBN's exchange.
enum class Step { Login, Visit, Record, Unknown };

// The catalogue the script plays; `records` maps an ISBN to its record page in UTF-8.
inline constexpr std::string_view kBase = "http://opac.reliability.test";

struct Script {
  std::function<bool(const std::string& url)> connect;
  // One download: writes the answer at `path` (or not) and returns the host's result. The
  // default is CatalogueAnswer.
  std::function<std::int32_t(Step, const std::string& path, const std::string& url)> download;
  // The confirmed ISBN for a list line; may return null. The default confirms the line.
  std::function<const char*(const char* line)> isbnCheck;
  std::map<std::string, std::string> records;
  std::vector<std::string> checked;  // the ISBN check's arguments, in order
  std::vector<Step> steps;           // the downloads asked for, in order
};
extern Script script;

// The step a catalogue URL belongs to.
Step StepOf(std::string_view url);

// The catalogue's usual answer: the login page, the visit page, or the record page of the
// ISBN at the end of the search URL (no file when the catalogue has no such record).
std::int32_t CatalogueAnswer(Step step, const std::string& path, const std::string& url);

// A record page in UTF-8 with a title row, a responsibility statement and a synopsis.
std::string RecordPage(std::u8string_view title, std::u8string_view statement = u8"",
                       std::u8string_view synopsis = u8"");

// UTF-8 text as bytes.
inline std::string Bytes(std::u8string_view text) {
  return {reinterpret_cast<const char*>(text.data()), text.size()};
}

std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, std::string_view bytes);

using GetInfoFn = void (*)(std::uint32_t, char*, char*, char*, char*, char*, std::uint32_t);
using DownloadFn = void (*)(const char*, const char*, const char*);

// The plug-in module, loaded once for the whole test program.
GetInfoFn GetInfo();
DownloadFn Download();

using testing::CpuSeconds;
using testing::kBuildSlowdown;

// A fresh work directory per test, with the option file pointing at the scripted catalogue.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs a lookup; returns what the plug-in wrote to standard error.
  std::string Run(const char* isbnList);
  std::string Run(const std::string& isbnList) { return Run(isbnList.c_str()); }

  // The output file's lines; each must be a sound record line (checked). nullopt when there is
  // no output file.
  std::optional<std::vector<std::string>> OutputLines();

  // The items of a record line.
  static std::vector<std::string> Items(std::string_view line);

  // Files in the test directory whose name says they are temporary.
  std::vector<std::string> LeftoverTemporaryFiles() const;

  fs::path dir_;
  std::string workDir_;  // with a closing separator
  std::string output_;
};

}  // namespace vostrel::reliability
