// Replays the committed fuzz corpus and the inputs of former faults through every target, built
// with the project's own compiler: a regression test that needs no fuzzing engine. Each target
// is one test; a failing check names the input file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/target.h"

namespace vostrel::fuzz {

namespace {

struct Target {
  std::string name;
  TargetFn fn = nullptr;
  SelfCheckFn selfCheck = nullptr;
};

std::vector<Target>& Targets() {
  static std::vector<Target> targets;
  return targets;
}

Target& Find(const char* name) {
  for (Target& t : Targets()) {
    if (t.name == name)
      return t;
  }
  Targets().push_back(Target{name});
  return Targets().back();
}

struct CheckFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::vector<std::filesystem::path> InputFiles(const std::string& target) {
  std::vector<std::filesystem::path> files;
  for (const char* folder : {"corpus", "regressions"}) {
    const std::filesystem::path dir = std::filesystem::path(VOSTREL_FUZZ_DIR) / folder / target;
    if (!std::filesystem::is_directory(dir))
      continue;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (entry.is_regular_file())
        files.push_back(entry.path());
    }
  }
  // The sample catalogue's record pages, as served, go down the whole path.
  if (target == "path") {
    for (const auto& entry : std::filesystem::directory_iterator(VOSTREL_PAGE_FIXTURES)) {
      if (entry.is_regular_file() && entry.path().extension() == ".html")
        files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Replay : public ::testing::Test {
 public:
  explicit Replay(const Target* target) : target_(target) {}
  void TestBody() override {
    if (target_->selfCheck != nullptr) {
      try {
        target_->selfCheck();
      } catch (const CheckFailure& failure) {
        ADD_FAILURE() << "self-check: " << failure.what();
      }
    }
    const auto files = InputFiles(target_->name);
    EXPECT_FALSE(files.empty()) << "no corpus for " << target_->name;
    for (const auto& file : files) {
      const std::string bytes = ReadBytes(file);
      try {
        target_->fn(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      } catch (const CheckFailure& failure) {
        ADD_FAILURE() << file.string() << ": " << failure.what();
      } catch (const std::exception& error) {
        ADD_FAILURE() << file.string() << ": exception escaped: " << error.what();
      }
    }
  }

 private:
  const Target* target_;
};

}  // namespace

int RegisterTarget(const char* name, TargetFn fn) {
  Find(name).fn = fn;
  return 0;
}

int RegisterSelfCheck(const char* name, SelfCheckFn fn) {
  Find(name).selfCheck = fn;
  return 0;
}

void CheckFailed(const char* expression, const char* file, int line, std::string_view detail) {
  std::string what = std::string(file) + ":" + std::to_string(line) + ": " + expression;
  if (!detail.empty())
    what += " (" + std::string(detail) + ")";
  throw CheckFailure(what);
}

}  // namespace vostrel::fuzz

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (const auto& target : vostrel::fuzz::Targets()) {
    const vostrel::fuzz::Target* t = &target;
    ::testing::RegisterTest("CorpusReplay", t->name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                            [t]() -> ::testing::Test* { return new vostrel::fuzz::Replay(t); });
  }
  return RUN_ALL_TESTS();
}
