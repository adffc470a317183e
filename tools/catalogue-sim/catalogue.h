// The sample catalogue's content: its books, read from data files, and the pages of its
// exchange (login page, visit page, full-record page), all in UTF-8.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace catalogue_sim {

// One sample book: the cells of its full record as HTML fragments, in the order its file
// gives them. Keys name the rows ("title", "statement", ...); a row that may stand several
// times ("partial", "statement", "heading", ...) has one cell per occurrence.
struct Book {
  std::string isbn13;  // 13 digits, the key the catalogue is searched by
  std::string source;  // the data file, for messages
  std::vector<std::pair<std::string, std::string>> cells;

  // The first cell of the row, empty when the book has none.
  std::string Cell(std::string_view key) const;
  // Every cell of the row, in file order.
  std::vector<std::string> Cells(std::string_view key) const;
  bool Has(std::string_view key) const;
};

// Reads every "*.book" file of the folder, sorted by file name. A book file is UTF-8 text of
// "key=value" lines; blank lines and lines starting with "#" are skipped; "isbn" and "title"
// are required. Throws std::runtime_error naming the file and line of a fault (unknown key,
// missing "=", a check digit that does not fit, a duplicated ISBN).
std::vector<Book> LoadBooks(const std::filesystem::path& folder);

// The ISBN-13 digits of an ISBN-10 or ISBN-13 search term (hyphens ignored, a final "x" or
// "X" allowed in ISBN-10); empty when the term has neither shape. The check digit is not
// verified: a catalogue simply finds nothing for a wrong one.
// NormalizeIsbn("4-991012-01-5") == "9784991012013".
std::string NormalizeIsbn(std::string_view term);

// The ISBN-13 check digit of the first twelve digits.
char Isbn13CheckDigit(std::string_view twelveDigits);

// Variants of the pages that the failure switches ask for.
enum class LoginVariant { Normal, NoUrlLine, UrlOnFirstLine };
enum class VisitVariant { Normal, NoFormMarker, OneSpaceMarker };

// The login page: several lines, the visit handle in the line
//   var url = '<base>/F/<handle>?func=file&file_name=login-session';
// which is never the first line (UrlOnFirstLine makes it the first and only such line).
std::string RenderLoginPage(std::string_view base, std::string_view handle, LoginVariant variant);

// The visit page: its search form line holds name="form1", two spaces, then
// action="<base>/F/<handle>" closed by '">'.
std::string RenderVisitPage(std::string_view base, std::string_view handle, VisitVariant variant);

// The answer for a visit or search handle the catalogue does not know (an expired session):
// neither marker nor record.
std::string RenderSessionExpiredPage();

// The full-record page of a book. `noImageUrl` replaces the cover value "@noimage" (the
// bookstore's placeholder picture).
std::string RenderRecordPage(const Book& book, std::string_view noImageUrl);

// The search answer when no book has the ISBN: the same frame without any record row.
std::string RenderNoRecordPage(std::string_view searchTerm);

}  // namespace catalogue_sim
