// Byte-string conventions of the plug-in.
//
// Every text is code page 932 (Shift-JIS) bytes: `std::string` owns, `std::string_view` is
// passed. A view never outlives the buffer it points into; functions that cut return a view
// into their argument, functions that build return a `std::string`.
//
// A lead byte (0x81-0x9F, 0xE0-0xFC) and the byte after it form one double-byte character.
// Trail bytes lie in 0x40-0x7E and 0x80-0xFC, so ASCII below 0x40 ("<", ">", ",", digits, line
// breaks) never occurs inside a double-byte character, while "|", letters and brackets can.
//
// Positions in code are 0-based; the helpers named after the record rules (`ClippedSubstr`,
// `PositionOf`) take or give the 1-based positions those rules are written in.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vostrel {

// True for the first byte of a double-byte character. The one lead-byte test of the plug-in.
constexpr bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Byte search: the 0-based offset of the first occurrence of `pattern` in `text` at or after
// `from`, wherever it starts (also on a trail byte); npos when absent. An empty pattern is found
// at `from`.
std::size_t FindBytes(std::string_view text, std::string_view pattern, std::size_t from = 0);

// Character search: like FindBytes, but only occurrences that start on a character boundary
// count; "|" inside "－" (0x81 0x7C) is never found. `from` must be a character boundary.
std::size_t FindChars(std::string_view text, std::string_view pattern, std::size_t from = 0);

// True when `text` contains `pattern` (byte search).
bool Contains(std::string_view text, std::string_view pattern);

// 1-based position of the first occurrence (byte search); 0 when absent.
std::size_t PositionOf(std::string_view text, std::string_view pattern);

// Replace-all: every occurrence found by character search, left to right, without overlaps;
// the inserted text is not searched again. An empty `from` leaves the text unchanged.
// ReplaceAll("変形変", "変", "変型") == "変型形変型".
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// ReplaceAll with an empty replacement.
std::string RemoveAll(std::string_view text, std::string_view what);

// Clipped substring by 1-based position and byte count: a start below 1 counts as 1, a start
// past the end gives an empty text, a count past the end stops at the end. Cuts by bytes, not
// by characters. ClippedSubstr("abcdef", 3, 2) == "cd".
std::string_view ClippedSubstr(std::string_view text, long long start, long long count);

// The bytes before 1-based position `pos` (empty when `pos` is 0 or 1).
std::string_view BytesBefore(std::string_view text, std::size_t pos);

// Removes bytes 0x00-0x20 at both ends (not the full-width space).
std::string_view Trim(std::string_view text);
std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);

// The text up to its first NUL byte.
std::string_view UpToNul(std::string_view text);

// Splits a text into lines at CR LF, lone CR and lone LF. A NUL byte ends the text; a break at
// the very end gives no empty last line; an empty line between two breaks is a line.
// SplitLines("a\r\n\nb\r") == {"a", "", "b"}. The views point into `text`.
std::vector<std::string_view> SplitLines(std::string_view text);

// Joins lines with CR LF after every line, the last one too.
template <typename Lines>
std::string JoinLinesCrLf(const Lines& lines) {
  std::size_t size = 0;
  for (const auto& line : lines)
    size += std::string_view(line).size() + 2;
  std::string out;
  out.reserve(size);
  for (const auto& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

// Reads a text file as lines, split as SplitLines does; nullopt when no file exists at the path.
// Throws platform::SystemError when a file exists but cannot be read.
std::optional<std::vector<std::string>> ReadTextLines(const std::string& path);

// Writes the lines, each followed by CR LF, replacing the file. Throws platform::SystemError.
void WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace vostrel
