// The host's ISBN check: check digits of ISBN-10 and ISBN-13.
#include <string>
#include <string_view>

#include "host.h"

namespace vostrel::host {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// ISBN-10: weights 10 down to 1, the last position may be X (10); the sum is a multiple of 11.
bool ValidIsbn10(std::string_view s) {
  if (s.size() != 10)
    return false;
  int sum = 0;
  for (std::size_t i = 0; i < 10; ++i) {
    int value;
    if (IsDigit(s[i])) {
      value = s[i] - '0';
    } else if (i == 9 && s[i] == 'X') {
      value = 10;
    } else {
      return false;
    }
    sum += value * static_cast<int>(10 - i);
  }
  return sum % 11 == 0;
}

// ISBN-13: an EAN-13 in the book prefixes 978 and 979; weights 1 and 3 alternating, the sum a
// multiple of 10.
bool ValidIsbn13(std::string_view s) {
  if (s.size() != 13 || !(s.substr(0, 3) == "978" || s.substr(0, 3) == "979"))
    return false;
  int sum = 0;
  for (std::size_t i = 0; i < 13; ++i) {
    if (!IsDigit(s[i]))
      return false;
    sum += (s[i] - '0') * (i % 2 == 0 ? 1 : 3);
  }
  return sum % 10 == 0;
}

}  // namespace

std::string ConfirmIsbn(std::string_view text) {
  // A 26-byte line is an ISBN-13 followed by the digits of the book's second barcode.
  if (text.size() == 26)
    text = text.substr(0, 13);
  std::string isbn;
  isbn.reserve(text.size());
  for (char c : text) {
    if (c == '-' || c == ' ')
      continue;
    isbn += c == 'x' ? 'X' : c;
  }
  if (ValidIsbn10(isbn) || ValidIsbn13(isbn))
    return isbn;
  return {};
}

}  // namespace vostrel::host
