#include "text/bytes.h"

#include <algorithm>

#include "platform/platform.h"

namespace vostrel {

std::size_t FindBytes(std::string_view text, std::string_view pattern, std::size_t from) {
  if (from > text.size())
    return std::string_view::npos;
  return text.find(pattern, from);
}

std::size_t FindChars(std::string_view text, std::string_view pattern, std::size_t from) {
  // Candidates come from a plain byte search; the boundary walk only moves forward, so the
  // whole search stays linear in the text.
  std::size_t boundary = from;
  for (std::size_t hit = FindBytes(text, pattern, from); hit != std::string_view::npos;
       hit = FindBytes(text, pattern, hit + 1)) {
    while (boundary < hit) {
      boundary += IsLeadByte(static_cast<unsigned char>(text[boundary])) ? 2 : 1;
    }
    if (boundary == hit)
      return hit;
  }
  return std::string_view::npos;
}

bool Contains(std::string_view text, std::string_view pattern) {
  return text.find(pattern) != std::string_view::npos;
}

std::size_t PositionOf(std::string_view text, std::string_view pattern) {
  const std::size_t at = text.find(pattern);
  return at == std::string_view::npos ? 0 : at + 1;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty())
    return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t hit = FindChars(text, from); hit != std::string_view::npos;
       hit = FindChars(text, from, done)) {
    out.append(text, done, hit - done);
    out.append(to);
    done = hit + from.size();
  }
  out.append(text, done);
  return out;
}

std::string RemoveAll(std::string_view text, std::string_view what) {
  return ReplaceAll(text, what, {});
}

std::string_view ClippedSubstr(std::string_view text, long long start, long long count) {
  if (start < 1)
    start = 1;
  const auto size = static_cast<long long>(text.size());
  if (start > size || count <= 0)
    return {};
  return text.substr(static_cast<std::size_t>(start - 1),
                     static_cast<std::size_t>(std::min(count, size - start + 1)));
}

std::string_view BytesBefore(std::string_view text, std::size_t pos) {
  if (pos <= 1)
    return {};
  return text.substr(0, std::min(pos - 1, text.size()));
}

namespace {
bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}
}  // namespace

std::string_view TrimLeft(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i]))
    ++i;
  return text.substr(i);
}

std::string_view TrimRight(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && IsBlank(text[n - 1]))
    --n;
  return text.substr(0, n);
}

std::string_view Trim(std::string_view text) {
  return TrimRight(TrimLeft(text));
}

std::string_view UpToNul(std::string_view text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  text = UpToNul(text);
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.push_back(text.substr(start, i - start));
    i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size())
    lines.push_back(text.substr(start));
  return lines;
}

std::optional<std::vector<std::string>> ReadTextLines(const std::string& path) {
  const std::optional<std::string> bytes = platform::ReadWholeFile(path);
  if (!bytes)
    return std::nullopt;
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(*bytes))
    lines.emplace_back(line);
  return lines;
}

void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
  platform::WriteWholeFile(path, JoinLinesCrLf(lines));
}

}  // namespace vostrel
