// Helpers shared by the fuzz targets: cutting one input into several texts, and a private work
// directory for the files a target hands to the code under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vostrel::fuzz {

// The mark that separates the texts of one input ("\x01--\x01"; also in labels.dict).
inline constexpr std::string_view kPartSeparator = "\x01--\x01";

// The input as text.
inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input cut at its first `count` - 1 separators. Part i is absent when the input has fewer
// separators, so a target can tell "no such file" from "an empty file".
std::vector<std::optional<std::string_view>> SplitParts(std::string_view input, std::size_t count);

// A directory of this process's own, with a closing separator; created on first use, removed
// when the process ends normally.
const std::string& WorkDirectory();

// Writes the file with exactly these bytes, or removes it when `bytes` is absent.
void PutFile(const std::string& path, const std::optional<std::string_view>& bytes);

// The whole file, or nullopt when there is none.
std::optional<std::string> GetFile(const std::string& path);

// The names in a directory (not "." and "..").
std::vector<std::string> DirectoryEntries(const std::string& directory);

}  // namespace vostrel::fuzz
