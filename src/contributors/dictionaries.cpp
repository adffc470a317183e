// Dictionary files searched as text, and the publisher and label dictionaries.
#include <optional>
#include <vector>

#include "contributors/contributors.h"
#include "platform/platform.h"
#include "text/bytes.h"
#include "text/markup.h"

namespace vostrel {

Dictionary LabelDict;

Dictionary LoadDictionary(const std::string& path) {
  const std::optional<std::string> bytes = platform::ReadWholeFile(path);
  if (!bytes)
    return {};
  // The lines stay views into the file's bytes until they are joined: the run reads the
  // dictionaries for every ISBN, and a large one would otherwise cost a copy per line.
  const std::vector<std::string_view> lines = SplitLines(*bytes);
  return {lines.size(), JoinLinesCrLf(lines)};
}

void LoadLabelDictionary(const std::string& directory) {
  LabelDict = LoadDictionary(directory + "LabelsDB.dat");
}

void FreeLabelDictionary() {
  LabelDict = {};
}

namespace {

// The rest of the dictionary line after the first occurrence of `key` (byte search, so the key
// may stand anywhere, also inside an earlier line); nullopt when the text does not hold it.
std::optional<std::string_view> RestOfLineAfter(std::string_view text, std::string_view key) {
  const std::size_t at = FindBytes(text, key);
  if (at == std::string_view::npos)
    return std::nullopt;
  // The view starts at the key, so ExtractBetween finds it there without searching again.
  return ExtractBetween(text.substr(at), key, "\r\n");
}

}  // namespace

void LookupPublisher(const std::string& directory, TBase& rec) {
  const Dictionary publishers = LoadDictionary(directory + "PubDB.dat");
  if (rec.Isbn.empty())
    return;
  // The publisher code follows the "978"/"979" prefix and the group digit "4" of an ISBN-13,
  // and the group digit "4" of an ISBN-10.
  long long codeStart = 0;
  if (rec.Isbn[0] == '9')
    codeStart = 5;
  else if (rec.Isbn[0] == '4')
    codeStart = 2;
  else
    return;
  // Shortest code first: a two-digit line wins over a longer one that also matches.
  for (long long n = 2; n <= 6; ++n) {
    std::string key = "|";
    key += ClippedSubstr(rec.Isbn, codeStart, n);
    key += '|';
    if (const auto publisher = RestOfLineAfter(publishers.text, key)) {
      rec.Publisher = std::string(*publisher);
      return;
    }
  }
}

void LookupLabel(TBase& rec) {
  if (LabelDict.lineCount == 0)
    return;
  std::string key = "|";
  key += rec.Publisher;
  key += '|';
  key += DictionaryKey(rec.Series);
  key += '|';
  if (const auto label = RestOfLineAfter(LabelDict.text, key))
    rec.Series = std::string(*label);
}

}  // namespace vostrel
