// Reading the plug-in's output file back and showing its books.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vostrel::host {

// The items of one comma-text line: split at commas outside double quotes; a quoted item loses
// its quotes and has each doubled quote made single. Bytes are not converted.
// CommaItems("a,\"b c\",,\"x\"\"y\"") == {"a", "b c", "", "x\"y"}.
std::vector<std::string> CommaItems(std::string_view line);

// The columns a UTF-8 text takes in a terminal: East Asian wide and full-width characters take
// two, every other character one.
std::size_t DisplayWidth(std::string_view utf8);

// One book as the table shows it, in UTF-8.
struct BookRow {
  std::string isbn, title, volume, authors, publisher, year, pages, size, price;
};

// The book of one record line (68 items, code page 932).
BookRow RowOf(const std::vector<std::string>& items);

// The books as an aligned table with a header line, each line ending in "\n".
std::string FormatTable(const std::vector<BookRow>& rows);

// The ISBN a list line's book carries in its record line: bytes 1-10 of an 18-byte line,
// bytes 1-13 of a 26-byte line, the whole line otherwise.
std::string RecordIsbn(std::string_view listLine);

}  // namespace vostrel::host
