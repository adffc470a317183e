// Small record pages built line by line for the record page scan tests, and a fixture that
// writes them into a fresh work directory and scans them.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/common.h"
#include "recordpage/recordpage.h"

namespace vostrel::pages {

using Page = std::vector<std::string>;

// The cell that holds a value in the catalogue's record table.
inline std::string Cell(std::string_view value) {
  return "<td class=\"t-td-full\" align=\"left\">" + std::string(value) + "</td>";
}

// A header line naming the row, then the value cell on the next line.
inline Page Row(std::string_view header, std::string_view value) {
  return {"<th class=\"t-th\">" + std::string(header) + "</th>", Cell(value)};
}

inline Page TitleRow(std::string_view value) {
  return Row("<b>タイトル</b>", value);
}

// The year of publication as the catalogue writes it, in its font tag.
inline std::string YearLine(std::string_view year) {
  return "<td><FONT CLASS=\"FN\">" + std::string(year) + "</FONT></td>";
}

// `count` lines holding no label.
inline Page Filler(std::size_t count) {
  return Page(count, "<tr><td>&nbsp;</td></tr>");
}

inline Page Join(std::initializer_list<Page> parts) {
  Page page;
  for (const Page& part : parts)
    page.insert(page.end(), part.begin(), part.end());
  return page;
}

inline std::string CrLfText(const Page& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\r\n";
  return text;
}

// A fresh work directory per test; WorkDir names it with a closing separator.
class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vostrel-scan-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    WorkDir = dir_ + "/";
    StopRequested = 0;
  }

  void TearDown() override {
    std::filesystem::remove_all(dir_);
    WorkDir.clear();
    StopRequested = 0;
  }

  std::string PagePath() const { return WorkDir + "Temp.html"; }

  void WriteFile(const std::string& name, std::string_view bytes) const {
    std::ofstream out(WorkDir + name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << name;
  }

  void WriteOption(const Page& lines) const { WriteFile("tovan.dat", CrLfText(lines)); }
  void WriteMarker() const { WriteFile("Temp.html.rimaso_private", ""); }

  // Writes the page as the catalogue dialogue leaves it (CR LF line ends) and scans it into
  // `rec`.
  bool Scan(const Page& page, TBase& rec) const { return ScanBytes(CrLfText(page), rec); }

  bool ScanBytes(std::string_view bytes, TBase& rec) const {
    WriteFile("Temp.html", bytes);
    return ParseRecordPage(PagePath(), rec);
  }

 private:
  std::string dir_;
};

}  // namespace vostrel::pages
