// Placeholder bodies: the markup helpers are built by their own issue.
#include "text/markup.h"

#include "platform/platform.h"

namespace vostrel {

std::string_view ExtractBetween(std::string_view, std::string_view, std::string_view) {
  return {};
}
std::string_view NthField(std::string_view, char, int) {
  return {};
}
std::string NarrowAlnum(std::string_view text) {
  return std::string(text);
}
std::string StripMarkup(std::string_view text) {
  return std::string(text);
}
std::u16string WideMap(std::u16string_view text, unsigned long) {
  return std::u16string(text);
}
std::u16string WideHalfWidth(std::u16string_view text) {
  return platform::HalfWidthWide(text);
}

}  // namespace vostrel
