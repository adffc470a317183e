#include "records.h"

#include <algorithm>
#include <array>
#include <string>

#include "host.h"

namespace vostrel::host {

namespace {

// The next code point of a UTF-8 text at `i`, which moves past it; a malformed byte counts as
// one character of its own.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
  const auto b = static_cast<unsigned char>(text[i]);
  int length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  if (i + static_cast<std::size_t>(length) > text.size())
    length = 1;
  char32_t c = length == 1   ? b
               : length == 2 ? (b & 0x1Fu)
               : length == 3 ? (b & 0x0Fu)
                             : (b & 0x07u);
  for (int k = 1; k < length; ++k)
    c = (c << 6) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3Fu);
  i += static_cast<std::size_t>(length);
  return c;
}

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::string Item(const std::vector<std::string>& items, std::size_t number) {
  return number <= items.size() ? Cp932ToUtf8(items[number - 1]) : std::string();
}

std::string JoinNonEmpty(std::string_view separator, std::initializer_list<std::string> parts) {
  std::string out;
  for (const std::string& part : parts) {
    if (part.empty())
      continue;
    if (!out.empty())
      out += separator;
    out += part;
  }
  return out;
}

}  // namespace

std::vector<std::string> CommaItems(std::string_view line) {
  std::vector<std::string> items;
  std::string item;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        item += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        item += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      items.push_back(std::move(item));
      item.clear();
    } else {
      item += c;
    }
  }
  items.push_back(std::move(item));
  return items;
}

std::size_t DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < utf8.size();)
    width += IsWide(NextCodePoint(utf8, i)) ? 2 : 1;
  return width;
}

BookRow RowOf(const std::vector<std::string>& items) {
  // Item numbers of the record line.
  BookRow row;
  row.isbn = Item(items, 1);
  row.title = JoinNonEmpty(" : ", {Item(items, 2), Item(items, 4)});
  row.volume = Item(items, 5);
  row.authors = JoinNonEmpty(" / ", {Item(items, 6), Item(items, 8)});
  row.publisher = Item(items, 13);
  row.size = Item(items, 16);
  row.price = Item(items, 22);
  row.year = Item(items, 26);
  row.pages = Item(items, 36);
  return row;
}

std::string FormatTable(const std::vector<BookRow>& rows) {
  using Column = std::string BookRow::*;
  static constexpr std::array<std::pair<const char*, Column>, 9> kColumns = {{
      {"ISBN", &BookRow::isbn},
      {"Title", &BookRow::title},
      {"Vol", &BookRow::volume},
      {"Authors", &BookRow::authors},
      {"Publisher", &BookRow::publisher},
      {"Year", &BookRow::year},
      {"Pages", &BookRow::pages},
      {"Size", &BookRow::size},
      {"Price", &BookRow::price},
  }};
  std::array<std::size_t, kColumns.size()> widths{};
  for (std::size_t k = 0; k < kColumns.size(); ++k) {
    widths[k] = DisplayWidth(kColumns[k].first);
    for (const BookRow& row : rows)
      widths[k] = std::max(widths[k], DisplayWidth(row.*kColumns[k].second));
  }

  std::string out;
  const auto addLine = [&](auto cell) {
    std::string line;
    for (std::size_t k = 0; k < kColumns.size(); ++k) {
      const std::string text = cell(k);
      line += text;
      if (k + 1 < kColumns.size())
        line.append(widths[k] - DisplayWidth(text) + 2, ' ');
    }
    out += line + "\n";
  };
  addLine([&](std::size_t k) { return std::string(kColumns[k].first); });
  addLine([&](std::size_t k) { return std::string(widths[k], '-'); });
  for (const BookRow& row : rows)
    addLine([&](std::size_t k) { return row.*kColumns[k].second; });
  return out;
}

std::string RecordIsbn(std::string_view listLine) {
  if (listLine.size() == 18)
    return std::string(listLine.substr(0, 10));
  if (listLine.size() == 26)
    return std::string(listLine.substr(0, 13));
  return std::string(listLine);
}

}  // namespace vostrel::host
