// Reading an output line back the two ways a reader may walk it: byte by byte, and character by
// character the way the host does (a lead byte takes the byte after it along, whatever it is).
// A sound line reads the same both ways: 68 items, 67 commas outside quotes, no NUL byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/bytes.h"

namespace vostrel::fuzz {

struct CommaParse {
  bool ok = false;
  std::string error;               // what is wrong, when !ok
  std::vector<std::string> items;  // the items with their quotes removed
};

// Splits a comma-text line into its items. With `byCharacters`, a lead byte and the byte after
// it form one character that is never taken for a quote, a comma or a blank. An item that needs
// no quotes must hold no blank (bytes 0x01-0x20) and no quote; a quoted item ends at a quote
// not doubled, followed by a comma or the end of the line.
inline CommaParse ParseCommaLine(std::string_view line, bool byCharacters) {
  CommaParse r;
  auto step = [&](std::size_t i) -> std::size_t {
    if (byCharacters && IsLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size())
      return 2;
    return 1;
  };
  if (line.find('\0') != std::string_view::npos) {
    r.error = "NUL byte in the line";
    return r;
  }
  std::size_t i = 0;
  while (true) {
    std::string item;
    if (i < line.size() && line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const std::size_t n = step(i);
        if (n == 1 && line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            item += '"';
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        item.append(line.substr(i, n));
        i += n;
      }
      if (!closed) {
        r.error = "quoted item " + std::to_string(r.items.size() + 1) + " never closed";
        return r;
      }
      if (i < line.size() && line[i] != ',') {
        r.error = "text after the closing quote of item " + std::to_string(r.items.size() + 1);
        return r;
      }
    } else {
      while (i < line.size()) {
        const std::size_t n = step(i);
        if (n == 1 && line[i] == ',')
          break;
        if (n == 1 && (line[i] == '"' || static_cast<unsigned char>(line[i]) <= 0x20)) {
          r.error =
              "unquoted item " + std::to_string(r.items.size() + 1) + " holds a quote or a blank";
          return r;
        }
        item.append(line.substr(i, n));
        i += n;
      }
    }
    r.items.push_back(std::move(item));
    if (i >= line.size())
      break;
    ++i;  // the comma
  }
  // A character reader would take a lead byte at the very end together with the line break.
  if (byCharacters && !line.empty()) {
    std::size_t last = 0;
    for (std::size_t j = 0; j < line.size(); j += step(j))
      last = j;
    if (last == line.size() - 1 && IsLeadByte(static_cast<unsigned char>(line[last]))) {
      r.error = "the line ends with a lone lead byte";
      return r;
    }
  }
  r.ok = true;
  return r;
}

// The number of commas outside quoted items, counted byte by byte.
inline std::size_t CommasOutsideQuotes(std::string_view line) {
  std::size_t commas = 0;
  bool quoted = false;
  for (char c : line) {
    if (c == '"')
      quoted = !quoted;
    else if (c == ',' && !quoted)
      ++commas;
  }
  return commas;
}

// Empty when the line is a sound record line; otherwise what is wrong with it.
inline std::string RecordLineProblem(std::string_view line) {
  const CommaParse bytes = ParseCommaLine(line, false);
  if (!bytes.ok)
    return "byte reading: " + bytes.error;
  const CommaParse chars = ParseCommaLine(line, true);
  if (!chars.ok)
    return "character reading: " + chars.error;
  if (bytes.items.size() != 68)
    return std::to_string(bytes.items.size()) + " items";
  if (CommasOutsideQuotes(line) != 67)
    return std::to_string(CommasOutsideQuotes(line)) + " commas outside quotes";
  if (bytes.items != chars.items)
    return "the byte and character readings differ";
  return {};
}

}  // namespace vostrel::fuzz
