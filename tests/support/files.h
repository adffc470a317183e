// Reading back the files a test had written or a program left behind.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace vostrel::testing {

// The whole content of the regular file at the path, byte for byte; nullopt when there is none.
inline std::optional<std::string> ReadFileIfPresent(const std::filesystem::path& path) {
  if (!std::filesystem::is_regular_file(path))
    return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return std::move(content).str();
}

}  // namespace vostrel::testing
