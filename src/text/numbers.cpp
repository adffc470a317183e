// Placeholder bodies: the number, volume and size rules are built by their own issue.
#include "text/numbers.h"

namespace vostrel {

bool HasDigit(std::string_view) {
  return false;
}
bool IsKanjiNumeral(std::string_view) {
  return false;
}
bool IsRomanNumeral(std::string_view) {
  return false;
}
bool IsVolumeText(std::string_view) {
  return false;
}
std::string DigitsOnly(std::string_view text) {
  return std::string(text);
}
std::string DigitsOrZero(std::string_view text) {
  return std::string(text);
}
std::string NormalizeSize(std::string_view text) {
  return std::string(text);
}

}  // namespace vostrel
