// The catalogue dialogue for one ISBN and the decoding of the record page from UTF-8.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vostrel {

// Raised by Utf8ToAnsi on a byte that cannot begin a UTF-8 sequence where one should begin.
class DecodeError : public std::runtime_error {
 public:
  DecodeError() : std::runtime_error("UTF-8 Unknown code.") {}
};

// The page text decoded from UTF-8 and converted to code page 932. Throws DecodeError.
// Utf8ToAnsi("\xE3\x81\x82") == "\x82\xA0" (あ).
std::string Utf8ToAnsi(std::string_view text);

enum class Outcome { Found, Skipped, Offline };

// The full URL of the catalogue's login page: the base URL + "/F?func=file&file_name=login&?RN".
std::string LoginUrl();

// Walks the catalogue's exchange for a confirmed ISBN (connectivity check, login page, visit
// page, ISBN search), decodes the record page into WorkDir + "Temp.html" and scans it into
// BookRec. Found when the scan read a title row; Offline when the connectivity check failed;
// Skipped for every other failure, a page that is not UTF-8 included. Each answer's file is
// removed before its request, so a failed download is never mistaken for an earlier answer.
// Throws platform::SystemError when a work file cannot be removed, read or written.
Outcome QueryCatalogue(const std::string& confirmedIsbn);

}  // namespace vostrel
