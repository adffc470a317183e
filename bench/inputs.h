// Inputs of the benchmarks: a catalogue full-record page in UTF-8 grown to a given size by
// repeating its rows, the same page decoded to code page 932, a responsibility statement, an
// author dictionary of a given number of lines, and a scratch work directory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vostrel::bench {

// The sizes every operation is measured at, and the label each carries in a benchmark's name.
struct Size {
  const char* label;
  std::size_t bytes;
};
inline constexpr Size kSizes[] = {
    {"10KB", std::size_t{10} << 10},
    {"100KB", std::size_t{100} << 10},
    {"1MB", std::size_t{1} << 20},
    {"10MB", std::size_t{10} << 20},
};
// The label of the single long line measured beside the sizes above.
inline constexpr const char* kLineLabel = "line1MB";
inline constexpr std::size_t kLineBytes = std::size_t{1} << 20;

// The record page one book's search answers with, in UTF-8, with LF line ends. Taken from
// tests/fixtures/pages/ when the sample catalogue has rendered pages there (the largest one,
// or the file named by VOSTREL_BENCH_PAGE); otherwise the page below, built from the labels the
// scan reads. `origin` names where it came from.
struct BasePage {
  std::string text;
  std::string origin;
};
const BasePage& RecordPage();

// The record page grown to about `bytes` (never below its own size): its rows, from the title
// row up to the author introduction, repeated; the head and the tail of the page once.
std::string ScaledPage(std::size_t bytes);

// The record page with one line, the synopsis cell, grown to about `bytes`: a very long line in
// an otherwise ordinary page.
std::string PageWithLongLine(std::size_t bytes);

// The page as the catalogue dialogue hands it on: lines joined with CR LF after each.
std::string JoinedCrLf(std::string_view utf8Page);

// The page decoded to code page 932 by the plug-in's own decoder.
std::string DecodedPage(std::string_view utf8Page);

// The text with every line break replaced by a space: one line.
std::string OneLine(std::string_view text);

// A responsibility statement as the scan hands it to the contributor rules (code page 932,
// contributors separated by "／"), grown to about `bytes` by adding contributors; `distinct`
// gives every added contributor a name of its own, otherwise the page's contributors repeat.
std::string Statement(std::size_t bytes, bool distinct);

// The responsibility statement of the record page itself (code page 932, "／"-separated);
// empty when the decoded page has no statement row.
std::string PageStatement();

// The name AssignAuthors takes from the page's first contributor entry (code page 932); empty
// when the page has no statement.
std::string PageFirstAuthor();

// The reading and note the author dictionary gives the page's first contributor.
inline constexpr const char* kDictionaryReading = "ジショ ノ ヨミ";
inline constexpr const char* kDictionaryNote = "辞書の注記";

// An author dictionary of `lines` lines in code page 932, "|key|name|reading|note|" each,
// with the page's first contributor as its last line (so a lookup of that name reads the whole
// text before it finds it) and no line for the others.
std::string AuthorDictionary(std::size_t lines);

// A publisher dictionary and a label dictionary of plausible size, the page's publisher and
// series listed in them.
std::string PublisherDictionary();
std::string LabelDictionary();

// Writes AuthDB.dat of `authorLines` lines, PubDB.dat and LabelsDB.dat to `directory` (which
// ends with a separator): the dictionaries of the data-path benchmark and of the timed runs.
void WriteDictionaries(const std::string& directory, std::size_t authorLines);

// The author dictionary sizes of the data path: a well-kept collection's 50,000 lines, and the
// 1,000 lines of a modest one.
inline constexpr std::size_t kLargeDictionaryLines = 50000;
inline constexpr std::size_t kModestDictionaryLines = 1000;

// A fresh directory under the temporary directory, removed with everything in it when the
// object goes; `path()` ends with a separator, as the work directory does.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// UTF-8 text from a u8 literal, as bytes.
inline std::string Utf8(std::u8string_view text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

}  // namespace vostrel::bench
