#include "common/support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vostrel::fuzz {

std::vector<std::optional<std::string_view>> SplitParts(std::string_view input, std::size_t count) {
  std::vector<std::optional<std::string_view>> parts(count);
  std::string_view rest = input;
  for (std::size_t i = 0; i < count; ++i) {
    if (i + 1 == count) {
      parts[i] = rest;
      break;
    }
    const std::size_t at = rest.find(kPartSeparator);
    if (at == std::string_view::npos) {
      parts[i] = rest;
      break;
    }
    parts[i] = rest.substr(0, at);
    rest.remove_prefix(at + kPartSeparator.size());
  }
  return parts;
}

namespace {

std::string* directory = nullptr;

void RemoveDirectory() {
  if (directory != nullptr) {
    std::error_code ignored;
    std::filesystem::remove_all(*directory, ignored);
  }
}

}  // namespace

const std::string& WorkDirectory() {
  if (directory == nullptr) {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    directory = new std::string(base + "/vostrel-fuzz-" + std::to_string(getpid()) + "/");
    std::filesystem::create_directories(*directory);
    std::atexit(RemoveDirectory);
  }
  return *directory;
}

void PutFile(const std::string& path, const std::optional<std::string_view>& bytes) {
  if (!bytes) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
}

std::optional<std::string> GetFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> DirectoryEntries(const std::string& path) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(path, ignored))
    names.push_back(entry.path().filename().string());
  return names;
}

}  // namespace vostrel::fuzz
