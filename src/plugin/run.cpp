#include "plugin/run.h"

#include <exception>

#include "catalogue/catalogue.h"
#include "contributors/contributors.h"
#include "platform/platform.h"
#include "text/bytes.h"
#include "text/numbers.h"
#include "wait/wait.h"

namespace vostrel {

namespace {

// Releases what a run holds, on every way out of it.
class RunCleanup {
 public:
  RunCleanup() = default;
  RunCleanup(const RunCleanup&) = delete;
  RunCleanup& operator=(const RunCleanup&) = delete;
  ~RunCleanup() {
    CloseWaitWindow();
    ReleaseHost();
    FreeAuthorDictionary();
    FreeLabelDictionary();
  }
};

// The six bytes read as a decimal number, 0 when they are not one; written without leading
// zeros.
std::string DecimalOrZero(std::string_view digits) {
  std::string_view rest = digits;
  bool negative = false;
  if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  if (rest.empty())
    return "0";
  long long value = 0;
  for (char c : rest) {
    if (c < '0' || c > '9')
      return "0";
    value = value * 10 + (c - '0');
  }
  if (negative)
    value = -value;
  return std::to_string(value);
}

void WriteOutput(const std::string& outputPath, const std::vector<std::string>& lines) {
  platform::ReplaceFileAtomically(outputPath, JoinLinesCrLf(lines));
}

// An error ends the run: the books found so far are still delivered, then the error's text is
// shown. Nothing may escape from here into the host.
void EndWithError(const std::string& outputPath, const std::vector<std::string>& lines,
                  const char* message) noexcept {
  try {
    if (!outputPath.empty())
      WriteOutput(outputPath, lines);
  } catch (...) {
  }
  try {
    if (message != nullptr)
      platform::ShowMessage(message);
  } catch (...) {
  }
}

}  // namespace

void SplitBarcode18(const std::string& line, TBase& rec) {
  rec.Isbn = std::string(ClippedSubstr(line, 1, 10));
  rec.CCode = std::string(ClippedSubstr(line, 11, 4));
  const std::string_view price = ClippedSubstr(line, 15, 4);
  if (price == "0000") {
    rec.Price.clear();
  } else if (!price.empty() && price.front() == '0') {
    rec.Price = std::string(price.substr(1));  // one leading zero, never more
  } else {
    rec.Price = std::string(price);
  }
}

void SplitBarcode26(TBase& rec) {
  const std::string line = rec.Isbn;
  if (rec.CCode.empty())
    rec.CCode = std::string(ClippedSubstr(line, 17, 4));
  if (rec.Price.empty())
    rec.Price = DecimalOrZero(ClippedSubstr(line, 21, 6));
  rec.Isbn = std::string(ClippedSubstr(line, 1, 13));
}

std::string SettingsPath() {
  return platform::JoinPath(platform::MainExecutableDirectory(), "Setting.ini");
}

void FillDefaults(const std::string& settingsPath, TBase& rec) {
  struct Default {
    std::string TBase::*field;
    const char* key;
    const char* fallback;
  };
  static const Default kDefaults[] = {
      {&TBase::PurchaseState, "PurachaseSet", "購入"},
      {&TBase::TaxSetting, "TaxSet", "0"},
      {&TBase::TaxSetting2, "TaxSet", "0"},
      {&TBase::ReadState, "ReadSet", "既読"},
  };
  for (const Default& d : kDefaults) {
    std::string& field = rec.*d.field;
    if (field.empty())
      field = platform::ReadIniString(settingsPath, "Entry", d.key, d.fallback);
  }
}

void LookupRun(const char* workDir, const char* outputPath, const char* isbnList) {
  std::vector<std::string> lines;  // the output lines collected so far
  std::string output;
  try {
    StopRequested = 0;
    WorkDir = workDir != nullptr ? workDir : "";
    output = outputPath != nullptr ? outputPath : "";
    // With no output path there is nowhere to deliver a line.
    if (output.empty())
      return;
    if (platform::FileExists(output))
      platform::DeleteFileAt(output);

    if (isbnList == nullptr || *isbnList == '\0') {
      platform::ShowMessage("検索するISBNを取得できませんでした");
      return;
    }

    RunCleanup cleanup;
    std::vector<std::string> isbns;
    for (std::string_view line : SplitLines(isbnList))
      isbns.emplace_back(line);
    if (!BindHost())
      return;

    OpenWaitWindow();
    const int total = static_cast<int>(isbns.size());
    for (int i = 0; i < total; ++i) {
      ShowProgress(i + 1, total);
      PumpMessages();
      if (StopRequested != 0)
        break;

      const std::string line = isbns[static_cast<std::size_t>(i)];
      ClearBook();
      BookRec.Isbn = line;
      LoadAuthorDictionary(WorkDir);
      LookupPublisher(WorkDir);
      LoadLabelDictionary(WorkDir);
      if (BookRec.Isbn.size() == 18)
        SplitBarcode18(line, BookRec);

      const std::string confirmed = HostIsbnCheck(BookRec.Isbn);
      isbns[static_cast<std::size_t>(i)] = confirmed;
      if (confirmed.empty())
        continue;

      const Outcome outcome = QueryCatalogue(confirmed);
      if (outcome == Outcome::Skipped)
        continue;
      if (outcome == Outcome::Offline) {
        // The books already found are kept before the run ends.
        WriteOutput(output, lines);
        CloseWaitWindow();
        platform::ShowMessage("インターネットに接続されていません " + LoginUrl());
        return;
      }

      BookRec.WorkUrl.clear();
      if (BookRec.Isbn.size() == 26)
        SplitBarcode26(BookRec);
      LookupLabel();
      BookRec.VolumeNo = DigitsOnly(BookRec.VolumeNo);
      FillDefaults(SettingsPath(), BookRec);
      lines.push_back(BuildBookLine());
    }
    WriteOutput(output, lines);
  } catch (const std::exception& error) {
    EndWithError(output, lines, error.what());
  } catch (...) {
    EndWithError(output, lines, nullptr);
  }
}

}  // namespace vostrel
