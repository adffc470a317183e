// Checks shared by several fuzz targets.
#pragma once

#include <string>
#include <string_view>

#include "common/comma_text.h"
#include "common/target.h"
#include "plugin/common.h"
#include "text/bytes.h"

namespace vostrel::fuzz {

// True when the text holds no NUL byte and every lead byte has a second byte after it.
inline bool IsWellFormedAnsi(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == 0)
      return false;
    if (!IsLeadByte(b))
      continue;
    if (i + 1 == text.size())
      return false;
    const auto t = static_cast<unsigned char>(text[++i]);
    if (t < 0x40 || t == 0x7F || t > 0xFC)
      return false;
  }
  return true;
}

// The record rendered as a line must read back as 68 items, the same byte by byte and character
// by character; every well-formed field comes back as its escaped text.
inline void CheckRecordLine(TBase& rec) {
  const std::string line = BuildBookLine(rec);
  const std::string problem = RecordLineProblem(line);
  FUZZ_CHECK_MSG(problem.empty(), problem);
  const CommaParse parsed = ParseCommaLine(line, false);
  for (int k = 1; k <= 66; ++k) {
    const std::string& field = rec.Field(k);
    const std::size_t item = static_cast<std::size_t>(k <= 19 ? k : (k <= 39 ? k + 1 : k + 2));
    if (IsWellFormedAnsi(field))
      FUZZ_CHECK_MSG(parsed.items[item - 1] == EscapeItem(field), "field " + std::to_string(k));
  }
  FUZZ_CHECK(parsed.items[19].empty());
  FUZZ_CHECK(parsed.items[40].empty());
}

}  // namespace vostrel::fuzz
