// Shared pieces of the platform dump tool (dump.cpp) and its platform-specific sections.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vostrel::tools {

// Buffered standard output for the dump lines.
class Output {
 public:
  Output();
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Bytes or UTF-16 units in hexadecimal; "-" for an empty text.
  void Hex(std::string_view bytes);
  void Hex(std::u16string_view units);
  void Text(std::string_view text);
  void Flush();

 private:
  std::string buffer_;
};

// Prints a section that only one platform can produce; false when `section` is not one of them.
bool DumpPlatformSection(Output& out, std::string_view section,
                         const std::vector<std::string>& corpus);

}  // namespace vostrel::tools
