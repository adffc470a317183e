// Cost of the plug-in's work on one record page, measured at growing input sizes so that the
// time per byte shows whether an operation stays linear. Every benchmark reports the bytes of
// its input (SetBytesProcessed) and the counter ns_per_byte; scripts/bench compares the
// smallest and the largest size of each operation.
//
// Operations: the page decoding (Utf8ToAnsi, beside glibc's iconv on the same text), the text
// rules the scan applies to whole pages and lines (StripMarkup, ReplaceAll, SplitLines), the
// scan itself (ParseRecordPage, from a page file), the contributor rules (ParseContributors,
// LoadAuthorDictionary, AssignAuthors with a large author dictionary), the record line
// (BuildBookLine), and DataPath: everything the plug-in does for one ISBN apart from the
// host's downloads.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <malloc.h>

#include <cerrno>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "contributors/contributors.h"
#include "inputs.h"
#include "platform/platform.h"
#include "plugin/common.h"
#include "plugin/run.h"
#include "recordpage/recordpage.h"
#include "text/bytes.h"
#include "text/markup.h"
#include "text/numbers.h"

namespace vostrel::bench {
namespace {

// --- inputs, built once per size and shared by the operations that read them -----------------

// The labels of every measured size, the long line included, with the size each stands for.
std::vector<Size> AllSizes() {
  std::vector<Size> sizes(std::begin(kSizes), std::end(kSizes));
  sizes.push_back({kLineLabel, kLineBytes});
  return sizes;
}

bool IsLine(const Size& size) {
  return std::string_view(size.label) == kLineLabel;
}

// The page in UTF-8 as the decoder receives it (lines joined with CR LF): the record page grown
// to the size, or for the long-line case a page whose synopsis is one line of that size.
const std::string& Utf8Input(const Size& size) {
  static std::map<std::string, std::string> cache;
  auto [it, added] = cache.try_emplace(size.label);
  if (added)
    it->second = JoinedCrLf(IsLine(size) ? PageWithLongLine(size.bytes) : ScaledPage(size.bytes));
  return it->second;
}

// The same page decoded to code page 932, as the scan and the text rules see it.
const std::string& DecodedInput(const Size& size) {
  static std::map<std::string, std::string> cache;
  auto [it, added] = cache.try_emplace(size.label);
  if (added)
    it->second = Utf8ToAnsi(Utf8Input(size));
  return it->second;
}

// For the whole-text rules the long-line case is the grown page as one line.
const std::string& DecodedTextInput(const Size& size) {
  static std::map<std::string, std::string> cache;
  if (!IsLine(size))
    return DecodedInput(size);
  auto [it, added] = cache.try_emplace(size.label);
  if (added)
    it->second = OneLine(DecodedInput(Size{"1MB", size.bytes}));
  return it->second;
}

// Time per byte, as bytes per second and as the counter ns_per_byte (CPU time).
void ReportBytes(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["ns_per_byte"] = benchmark::Counter(
      static_cast<double>(bytes) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Register(const std::string& name, std::function<void(benchmark::State&)> body) {
  benchmark::RegisterBenchmark(name.c_str(), body)->Unit(benchmark::kMicrosecond);
}

// --- decoding ----------------------------------------------------------------------------------

// glibc's converter from UTF-8 to code page 932, opened once; a byte it cannot take becomes
// "?", as the plug-in's decoder writes the default character.
class IconvToCp932 {
 public:
  IconvToCp932() : cd_(iconv_open("CP932", "UTF-8")) {}
  ~IconvToCp932() {
    if (cd_ != reinterpret_cast<iconv_t>(-1))
      iconv_close(cd_);
  }
  IconvToCp932(const IconvToCp932&) = delete;
  IconvToCp932& operator=(const IconvToCp932&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  std::string Convert(std::string_view in) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    // Code page 932 never takes more bytes than UTF-8 for the same characters.
    std::string out(in.size() + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    while (srcLeft > 0 &&
           iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG || dstLeft == 0)
        break;
      ++src;
      --srcLeft;
      *dst++ = '?';
      --dstLeft;
    }
    out.resize(out.size() - dstLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

void RegisterDecoding() {
  for (const Size& size : AllSizes()) {
    Register(std::string("Utf8ToAnsi/") + size.label, [size](benchmark::State& state) {
      const std::string& in = Utf8Input(size);
      std::size_t outBytes = 0;
      for (auto _ : state) {
        std::string out = Utf8ToAnsi(in);
        outBytes = out.size();
        benchmark::DoNotOptimize(out.data());
      }
      if (outBytes == 0 || outBytes >= in.size())
        state.SkipWithError("the page did not shrink from UTF-8 to code page 932");
      ReportBytes(state, in.size());
    });
    Register(std::string("Iconv/") + size.label, [size](benchmark::State& state) {
      const std::string& in = Utf8Input(size);
      IconvToCp932 converter;
      if (!converter.ok()) {
        state.SkipWithError("iconv has no UTF-8 to CP932 converter");
        return;
      }
      std::string out;
      for (auto _ : state) {
        out = converter.Convert(in);
        benchmark::DoNotOptimize(out.data());
      }
      // The two conversions must agree, or the comparison would not be of the same work.
      if (out != DecodedInput(size))
        state.SkipWithError("iconv and Utf8ToAnsi disagree on the page");
      ReportBytes(state, in.size());
    });
  }
}

// --- text rules over whole pages and long lines -------------------------------------------------

void RegisterTextRules() {
  for (const Size& size : AllSizes()) {
    Register(std::string("StripMarkup/") + size.label, [size](benchmark::State& state) {
      const std::string& in = DecodedTextInput(size);
      std::size_t outBytes = 0;
      for (auto _ : state) {
        std::string out = StripMarkup(in);
        outBytes = out.size();
        benchmark::DoNotOptimize(out.data());
      }
      if (outBytes == 0 || outBytes >= in.size())
        state.SkipWithError("StripMarkup removed no markup");
      ReportBytes(state, in.size());
    });
    // The scan's entity pre-pass: four replace-alls over the whole page.
    Register(std::string("ReplaceAll/") + size.label, [size](benchmark::State& state) {
      const std::string& in = DecodedTextInput(size);
      std::size_t outBytes = 0;
      for (auto _ : state) {
        std::string out = ReplaceAll(in, "&amp;", "&");
        out = ReplaceAll(out, "&quot;", "”");
        out = ReplaceAll(out, "&lt;", "<");
        out = ReplaceAll(out, "&gt;", ">");
        outBytes = out.size();
        benchmark::DoNotOptimize(out.data());
      }
      if (outBytes >= in.size())
        state.SkipWithError("the pre-pass replaced no entity");
      ReportBytes(state, in.size());
    });
    Register(std::string("SplitLines/") + size.label, [size](benchmark::State& state) {
      const std::string& in = DecodedTextInput(size);
      std::size_t lines = 0;
      for (auto _ : state) {
        std::vector<std::string_view> out = SplitLines(in);
        lines = out.size();
        benchmark::DoNotOptimize(out.data());
      }
      if (lines == 0 || (!IsLine(size) && lines < 50))
        state.SkipWithError("SplitLines found too few lines");
      ReportBytes(state, in.size());
    });
  }
}

// --- the scan -------------------------------------------------------------------------------

void RegisterScan() {
  for (const Size& size : AllSizes()) {
    Register(std::string("ParseRecordPage/") + size.label, [size](benchmark::State& state) {
      const std::string& page = DecodedInput(size);
      ScratchDir dir;
      WorkDir = dir.path();
      const std::string path = dir.path() + "Temp.html";
      platform::WriteWholeFile(path, page);
      FreeAuthorDictionary();
      bool found = true;
      TBase rec;
      for (auto _ : state) {
        ClearBook(rec);
        found = ParseRecordPage(path, rec) && found;
        benchmark::DoNotOptimize(rec.Title.data());
      }
      if (!found || rec.Title.empty())
        state.SkipWithError("the scan found no title on the page");
      ReportBytes(state, page.size());
    });
  }
}

// --- contributors and the author dictionary -----------------------------------------------------

// Author dictionary sizes: the byte sizes of the other operations, and the 50,000 lines a
// well-kept collection reaches.
struct DictionarySize {
  std::string label;
  std::size_t lines;
};
std::vector<DictionarySize> DictionarySizes() {
  // About 40 bytes a line.
  const std::size_t perLine = std::max<std::size_t>(AuthorDictionary(1000).size() / 1000, 1);
  std::vector<DictionarySize> sizes;
  for (const Size& size : kSizes)
    sizes.push_back({size.label, size.bytes / perLine});
  sizes.push_back({"50000lines", 50000});
  return sizes;
}

void RegisterContributors() {
  for (const Size& size : AllSizes()) {
    // A statement grown by repeating the page's contributors; the long-line case gives every
    // added contributor a name of its own, so the sorted list grows with the line.
    const bool distinct = IsLine(size);
    Register(std::string("ParseContributors/") + size.label,
             [size, distinct](benchmark::State& state) {
               if (PageStatement().empty()) {
                 state.SkipWithError("the decoded page has no responsibility statement");
                 return;
               }
               const std::string statement = Statement(size.bytes, distinct);
               std::size_t entries = 0;
               for (auto _ : state) {
                 ContributorList list;
                 ParseContributors(statement, "／", list);
                 entries = list.Entries().size();
                 benchmark::DoNotOptimize(list.Entries().data());
               }
               if (entries == 0)
                 state.SkipWithError("ParseContributors added no entry");
               state.counters["entries"] = static_cast<double>(entries);
               ReportBytes(state, statement.size());
             });
  }
  for (const DictionarySize& size : DictionarySizes()) {
    Register("LoadAuthorDictionary/" + size.label, [size](benchmark::State& state) {
      ScratchDir dir;
      const std::string text = AuthorDictionary(size.lines);
      platform::WriteWholeFile(dir.path() + "AuthDB.dat", text);
      std::size_t lines = 0;
      for (auto _ : state) {
        LoadAuthorDictionary(dir.path());
        lines = AuthorDict.lineCount;
        benchmark::DoNotOptimize(AuthorDict.text.data());
      }
      FreeAuthorDictionary();
      if (lines != size.lines)
        state.SkipWithError("the author dictionary did not load every line");
      ReportBytes(state, text.size());
    });
    Register("AssignAuthors/" + size.label, [size](benchmark::State& state) {
      ScratchDir dir;
      const std::string text = AuthorDictionary(size.lines);
      platform::WriteWholeFile(dir.path() + "AuthDB.dat", text);
      LoadAuthorDictionary(dir.path());
      ContributorList list;
      ParseContributors(PageStatement(), "／", list);
      if (list.Entries().empty()) {
        FreeAuthorDictionary();
        state.SkipWithError("the page's statement gave no contributor");
        return;
      }
      TBase rec;
      for (auto _ : state) {
        ClearBook(rec);
        AssignAuthors(list, rec);
        benchmark::DoNotOptimize(rec.Author1.data());
      }
      FreeAuthorDictionary();
      // The first author is the dictionary's last line: found only by reading all of it.
      if (rec.Author1 != PageFirstAuthor() || rec.Author1Reading != kDictionaryReading ||
          rec.Author1Note != kDictionaryNote)
        state.SkipWithError("the author was not taken from the end of the dictionary");
      state.counters["entries"] = static_cast<double>(list.Entries().size());
      ReportBytes(state, text.size());
    });
  }
}

// --- the record line ------------------------------------------------------------------------

// A record as the scan fills it from the page, its synopsis grown to the size.
TBase FilledRecord(const Size& size) {
  TBase rec;
  rec.Isbn = "9784000000019";
  rec.Title = "星の海 : 航海者たちの記録";
  rec.TitleReading = "ホシ ノ ウミ : コウカイシャ タチ ノ キロク";
  rec.Subtitle = "北の航路-北の航路&南の岬";
  rec.VolumeNo = "2";
  rec.Author1 = "星野あかり";
  rec.Author1Reading = "ホシノ アカリ";
  rec.Author2 = "ジョン・スミス [ほか] [訳]";
  rec.Author2Reading = "ジョン スミス";
  rec.OtherContributors = "山田太郎 [解説]";
  rec.Publisher = "青空書房";
  rec.Series = "青空ノベルズ;12";
  rec.BookSize = "B6";
  rec.Ndc = "913.6";
  rec.PurchaseState = "購入";
  rec.Price = "1,500";
  rec.TaxSetting = "0";
  rec.TaxSetting2 = "0";
  rec.PubYear = "2005";
  rec.PubMonth = "3";
  rec.Pages = "232";
  rec.CoverUrl = "https://img.example.jp/covers/9784000000019.jpg";
  rec.ReadState = "既読";
  rec.Author1Note = "作家";
  const std::string_view sentence =
      IsLine(size) ? std::string_view("凍てつく航路で彼らが見た”光”とは, 何だったのか。")
                   : std::string_view("凍てつく航路で彼らが見た”光”とは, 何だったのか。\r\n");
  while (rec.Summary.size() < size.bytes)
    rec.Summary += sentence;
  return rec;
}

void RegisterRecordLine() {
  for (const Size& size : AllSizes()) {
    Register(std::string("BuildBookLine/") + size.label, [size](benchmark::State& state) {
      const TBase filled = FilledRecord(size);
      std::size_t lineBytes = 0;
      for (auto _ : state) {
        TBase rec = filled;
        std::string line = BuildBookLine(rec);
        lineBytes = line.size();
        benchmark::DoNotOptimize(line.data());
      }
      if (lineBytes < filled.Summary.size())
        state.SkipWithError("the record line lost the synopsis");
      ReportBytes(state, lineBytes);
    });
  }
}

// --- one ISBN, apart from the downloads -------------------------------------------------------

// What the run and the catalogue dialogue do for one ISBN once the host has written the search
// answer to Temp2.txt, in four steps: load the three dictionaries; decode the page into
// Temp.html; scan it (with the author dictionary); complete the record and render its line.
// The login and visit pages (a few kilobytes, searched for one marker each) are left out.
namespace data_path {

constexpr const char* kIsbn = "9784000000019";

void Dictionaries() {
  ClearBook();
  BookRec.Isbn = kIsbn;
  LoadAuthorDictionary(WorkDir);
  LookupPublisher(WorkDir);
  LoadLabelDictionary(WorkDir);
}

void Decode() {
  const auto fetched = ReadTextLines(WorkDir + "Temp2.txt");
  const std::string decoded = Utf8ToAnsi(JoinLinesCrLf(fetched.value()));
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(decoded))
    lines.emplace_back(line);
  WriteTextLines(WorkDir + "Temp.html", lines);
}

bool Scan() {
  return ParseRecordPage(WorkDir + "Temp.html");
}

std::string Line() {
  BookRec.WorkUrl.clear();
  LookupLabel();
  BookRec.VolumeNo = DigitsOnly(BookRec.VolumeNo);
  FillDefaults(SettingsPath(), BookRec);
  return BuildBookLine();
}

// Only the file reading and writing of the steps above: the three dictionaries and the page
// read, the decoded page written, nothing made of them.
std::size_t FilesOnly(const std::vector<std::string>& decodedLines) {
  std::size_t bytes = 0;
  for (const char* name : {"AuthDB.dat", "PubDB.dat", "LabelsDB.dat", "Temp2.txt", "Temp.html"})
    bytes += platform::ReadWholeFile(WorkDir + name).value().size();
  WriteTextLines(WorkDir + "Temp.html", decodedLines);
  return bytes;
}

// A work directory with the dictionaries and the fetched page, as the host leaves it.
struct Setup {
  ScratchDir dir;
  explicit Setup(std::size_t authorLines = kLargeDictionaryLines) {
    WorkDir = dir.path();
    WriteDictionaries(WorkDir, authorLines);
    platform::WriteWholeFile(WorkDir + "tovan.dat", "TOSYO1=1\r\n");
    platform::WriteWholeFile(WorkDir + "Temp2.txt", RecordPage().text);
  }
  ~Setup() {
    FreeAuthorDictionary();
    FreeLabelDictionary();
  }
  Setup(const Setup&) = delete;
  Setup& operator=(const Setup&) = delete;
};

bool Filled() {
  return !BookRec.Title.empty() && !BookRec.Author1Reading.empty() && !BookRec.Publisher.empty();
}

}  // namespace data_path

void RegisterDataPath() {
  const std::size_t pageBytes = RecordPage().text.size();
  for (const std::size_t lines : {kLargeDictionaryLines, kModestDictionaryLines}) {
    const std::string name =
        lines == kLargeDictionaryLines ? "DataPath/whole" : "DataPath/whole-modest-dictionary";
    Register(name, [pageBytes, lines](benchmark::State& state) {
      data_path::Setup setup(lines);
      bool found = true;
      for (auto _ : state) {
        data_path::Dictionaries();
        data_path::Decode();
        found = data_path::Scan() && found;
        std::string line = data_path::Line();
        benchmark::DoNotOptimize(line.data());
      }
      if (!found || !data_path::Filled())
        state.SkipWithError("the data path did not fill the record from the page");
      state.counters["dictionary_lines"] = static_cast<double>(lines);
      ReportBytes(state, pageBytes);
    });
  }
  Register("DataPath/dictionaries", [pageBytes](benchmark::State& state) {
    data_path::Setup setup;
    for (auto _ : state)
      data_path::Dictionaries();
    if (AuthorDict.lineCount != kLargeDictionaryLines)
      state.SkipWithError("the author dictionary did not load");
    ReportBytes(state, pageBytes);
  });
  Register("DataPath/decode", [pageBytes](benchmark::State& state) {
    data_path::Setup setup;
    for (auto _ : state)
      data_path::Decode();
    ReportBytes(state, pageBytes);
  });
  Register("DataPath/scan", [pageBytes](benchmark::State& state) {
    data_path::Setup setup;
    data_path::Dictionaries();
    data_path::Decode();
    bool found = true;
    for (auto _ : state) {
      ClearBook();
      BookRec.Isbn = data_path::kIsbn;
      found = data_path::Scan() && found;
    }
    if (!found || !data_path::Filled())
      state.SkipWithError("the scan did not fill the record from the page");
    ReportBytes(state, pageBytes);
  });
  Register("DataPath/line", [pageBytes](benchmark::State& state) {
    data_path::Setup setup;
    data_path::Dictionaries();
    data_path::Decode();
    data_path::Scan();
    const TBase scanned = BookRec;
    std::size_t lineBytes = 0;
    for (auto _ : state) {
      BookRec = scanned;
      lineBytes = data_path::Line().size();
    }
    if (lineBytes == 0)
      state.SkipWithError("no record line");
    ReportBytes(state, pageBytes);
  });
  Register("DataPath/files", [pageBytes](benchmark::State& state) {
    data_path::Setup setup;
    data_path::Decode();
    const std::string page = DecodedPage(RecordPage().text);
    std::vector<std::string> decoded;
    for (std::string_view line : SplitLines(page))
      decoded.emplace_back(line);
    for (auto _ : state)
      benchmark::DoNotOptimize(data_path::FilesOnly(decoded));
    ReportBytes(state, pageBytes);
  });
}

}  // namespace
}  // namespace vostrel::bench

// "--write-workdir DIR [LINES]" writes the dictionaries the DataPath benchmark uses into DIR
// (which must exist), the author dictionary with LINES lines (default 50,000), so a whole
// lookup run can be timed with the same ones.
int WriteWorkDir(const std::string& dir, const char* lines) {
  using namespace vostrel;
  const std::string prefix = dir.empty() || dir.back() == '/' ? dir : dir + "/";
  bench::WriteDictionaries(prefix,
                           lines != nullptr ? std::stoul(lines) : bench::kLargeDictionaryLines);
  return 0;
}

int main(int argc, char** argv) {
  using namespace vostrel::bench;
  if ((argc == 3 || argc == 4) && std::string_view(argv[1]) == "--write-workdir")
    return WriteWorkDir(argv[2], argc == 4 ? argv[3] : nullptr);
  // Large blocks come from the heap and freed memory stays with the process: otherwise glibc
  // maps every buffer above its threshold afresh and the kernel's zeroing of those pages,
  // which depends on what ran before, would be counted in the time per byte.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::AddCustomContext("page", RecordPage().origin);
  benchmark::AddCustomContext("page_bytes", std::to_string(RecordPage().text.size()));
  RegisterDecoding();
  RegisterTextRules();
  RegisterScan();
  RegisterContributors();
  RegisterRecordLine();
  RegisterDataPath();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
