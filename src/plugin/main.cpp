// The plug-in's two exports. Nothing thrown inside ever reaches the host.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/platform.h"
#include "plugin/run.h"

namespace {

// Copies at most size - 1 bytes of the text (cut by bytes, not characters) and a NUL.
void FillBuffer(char* buffer, std::string_view text, std::uint16_t size) {
  if (buffer == nullptr || size == 0)
    return;
  const std::size_t n = std::min<std::size_t>(text.size(), size - 1u);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

}  // namespace

VOSTREL_EXPORT void VOSTREL_STDCALL funcGetInfo(std::uint32_t /*reserved*/, char* entryName,
                                                char* title, char* credit, char* version,
                                                char* kind, std::uint32_t size) {
  // Only the low 16 bits of the size slot carry the buffer size.
  const auto bufferSize = static_cast<std::uint16_t>(size & 0xFFFFu);
  FillBuffer(entryName, "DownlaodFunc", bufferSize);
  FillBuffer(title, "ISBN検索 Vostrel", bufferSize);
  FillBuffer(credit, "Tovan based on ORBELT and Rimaso", bufferSize);
  FillBuffer(version, "1.2.3", bufferSize);
  FillBuffer(kind, "3", bufferSize);
}

VOSTREL_EXPORT void VOSTREL_STDCALL DownlaodFunc(const char* workDir, const char* outputPath,
                                                 const char* isbnList) {
  vostrel::LookupRun(workDir, outputPath, isbnList);
}
