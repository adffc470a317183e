#include "text/bytes.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/platform.h"

namespace vostrel {

std::size_t FindBytes(std::string_view text, std::string_view pattern, std::size_t from) {
  if (from > text.size())
    return std::string_view::npos;
  if (pattern.empty())
    return from;
  // Candidates come from memchr on the pattern's first byte, which looks at many bytes at a
  // time. Where that byte is common and candidates keep failing (a dictionary searched for
  // "|key|" has bars in every line), a Boyer-Moore-Horspool search, which skips ahead by the
  // pattern's length, takes over for the rest of the text.
  constexpr std::size_t kMinMisses = 64;
  constexpr std::size_t kDenseSpacing = 32;  // bytes per failed candidate, on average
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* const first = begin + from;
  const std::size_t m = pattern.size();
  const char* p = first;
  for (std::size_t misses = 0; static_cast<std::size_t>(end - p) >= m; ++misses) {
    if (misses >= kMinMisses && static_cast<std::size_t>(p - first) < misses * kDenseSpacing) {
      const char* hit =
          std::search(p, end, std::boyer_moore_horspool_searcher(pattern.begin(), pattern.end()));
      return hit == end ? std::string_view::npos : static_cast<std::size_t>(hit - begin);
    }
    p = static_cast<const char*>(
        std::memchr(p, pattern[0], static_cast<std::size_t>(end - p) - m + 1));
    if (p == nullptr)
      return std::string_view::npos;
    if (std::memcmp(p, pattern.data(), m) == 0)
      return static_cast<std::size_t>(p - begin);
    ++p;
  }
  return std::string_view::npos;
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
  const std::size_t n = text.size();
  // The next CR and the next LF at or after `from`, n when there is none; memchr looks at many
  // bytes at a time, and each answer is kept until the walk passes it.
  const auto next = [&text, n](std::size_t from, char c) {
    if (from >= n)
      return n;
    const void* hit = std::memchr(text.data() + from, c, n - from);
    return hit == nullptr ? n
                          : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
  };
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  std::size_t cr = next(0, '\r');
  std::size_t lf = next(0, '\n');
  for (std::size_t i = std::min(cr, lf); i < n; i = std::min(cr, lf)) {
    lines.push_back(text.substr(start, i - start));
    start = i == cr && lf == i + 1 ? i + 2 : i + 1;  // CR LF is one break
    if (cr < start)
      cr = next(start, '\r');
    if (lf < start)
      lf = next(start, '\n');
  }
  if (start < n)
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
