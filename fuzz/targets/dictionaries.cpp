// Author assignment and the publisher and label look-ups with arbitrary dictionary texts.
//
// Input parts, separated by the part separator: AuthDB.dat, PubDB.dat, LabelsDB.dat (absent:
// no file), the ISBN list line, the series, the publisher from the page (absent: the one the
// publisher dictionary gave), and a responsibility statement.
#include "common/checks.h"
#include "common/support.h"
#include "common/target.h"
#include "contributors/contributors.h"
#include "text/markup.h"

namespace {

using namespace vostrel;

void CheckDictionary(const std::string& path, const std::optional<std::string_view>& file) {
  const Dictionary dict = LoadDictionary(path);
  if (!file) {
    FUZZ_CHECK(dict.lineCount == 0 && dict.text.empty());
    return;
  }
  const std::vector<std::string_view> lines = SplitLines(*file);
  FUZZ_CHECK(dict.lineCount == lines.size());
  FUZZ_CHECK(dict.text == JoinLinesCrLf(lines));
}

// Author assignment the slow, obvious way, step by step as the rules are written: each name is
// looked up in the dictionary text and then searched for in all names given so far.
void ReferenceAssignAuthors(const ContributorList& list, TBase& rec) {
  for (const std::string& entry : list.Entries()) {
    const std::string assigned =
        rec.Author1 + "\r\n" + rec.Author2 + "\r\n" + rec.OtherContributors;
    std::string_view name = std::string_view(entry).substr(1);
    std::string_view bracketReading;
    if (const std::size_t open = name.find("［"); open != std::string_view::npos) {
      bracketReading = ExtractBetween(name, "［", "］");
      name = name.substr(0, open);
    }
    std::string_view dictName, dictReading, dictNote;
    bool found = false;
    const std::string key = DictionaryKey(name);
    if (AuthorDict.lineCount > 0 && !key.empty()) {
      const std::string search = "|" + key + "|";
      if (AuthorDict.text.find(search) != std::string::npos) {
        const std::string_view value = ExtractBetween(AuthorDict.text, search, "|\r\n");
        dictName = NthField(value, '|', 1);
        dictReading = NthField(value, '|', 2);
        dictNote = NthField(value, '|', 3);
        found = true;
      }
    }
    if (found)
      name = dictName;
    if (!name.empty() && assigned.find(name) != std::string::npos)
      continue;
    const std::string_view reading = dictReading.empty() ? bracketReading : dictReading;
    if (rec.Author1.empty()) {
      rec.Author1 = std::string(name);
      rec.Author1Reading = std::string(reading);
      rec.Author1Note = std::string(dictNote);
    } else if (rec.Author2.empty()) {
      rec.Author2 = std::string(name);
      rec.Author2Reading = std::string(reading);
    } else {
      rec.OtherContributors += "\r\n" + std::string(name);
    }
  }
  rec.OtherContributors = std::string(Trim(rec.OtherContributors));
}

}  // namespace

VOSTREL_FUZZ_SELF_CHECK(dictionaries) {
  FUZZ_CHECK(DictionaryKey("ルーシー") == "ﾙ-ｼ-");
  FUZZ_CHECK(DictionaryKey("ニノ宮") == DictionaryKey("二ノ宮"));
  const std::string& dir = fuzz::WorkDirectory();
  fuzz::PutFile(dir + "AuthDB.dat", "|ｼﾞｮﾝｽﾐｽ|ジョン・スミス|ジョン スミス|米国|\r\n");
  LoadAuthorDictionary(dir);
  ContributorList list;
  FUZZ_CHECK(list.Add("1ジョン・スミス"));
  TBase rec;
  TBase reference = rec;
  AssignAuthors(list, rec);
  ReferenceAssignAuthors(list, reference);
  for (int k : {6, 7, 8, 9, 10, 64})
    FUZZ_CHECK_MSG(rec.Field(k) == reference.Field(k), "field " + std::to_string(k));
  FUZZ_CHECK(rec.Author1 == "ジョン・スミス");
  FUZZ_CHECK(rec.Author1Reading == "ジョン スミス");
  FUZZ_CHECK(rec.Author1Note == "米国");
  FreeAuthorDictionary();
  fuzz::PutFile(dir + "PubDB.dat", "|06|A\r\n|062|B\r\n");
  rec.Isbn = "9784062000000";
  LookupPublisher(dir, rec);
  FUZZ_CHECK(rec.Publisher == "A");
}

VOSTREL_FUZZ_TARGET(dictionaries) {
  const auto parts = fuzz::SplitParts(fuzz::AsText(data, size), 7);
  const std::string& dir = fuzz::WorkDirectory();
  WorkDir = dir;
  fuzz::PutFile(dir + "AuthDB.dat", parts[0]);
  fuzz::PutFile(dir + "PubDB.dat", parts[1]);
  fuzz::PutFile(dir + "LabelsDB.dat", parts[2]);
  CheckDictionary(dir + "AuthDB.dat", parts[0]);
  CheckDictionary(dir + "LabelsDB.dat", parts[2]);

  TBase rec;
  rec.Isbn = std::string(UpToNul(parts[3].value_or("9784062000000")));
  LoadAuthorDictionary(dir);
  LookupPublisher(dir, rec);
  LoadLabelDictionary(dir);
  if (!parts[1] || rec.Isbn.empty() || (rec.Isbn.front() != '9' && rec.Isbn.front() != '4'))
    FUZZ_CHECK(rec.Publisher.empty());

  ContributorList list;
  ParseContributors(parts[6].value_or("山田太郎著［ヤマダタロウ］／鈴木一郎訳"), "／", list);
  TBase reference = rec;
  AssignAuthors(list, rec);
  ReferenceAssignAuthors(list, reference);
  for (int k : {6, 7, 8, 9, 10, 64})
    FUZZ_CHECK_MSG(rec.Field(k) == reference.Field(k), "field " + std::to_string(k));
  // Authors fill their places in order: no second author without a first, no others without both.
  if (!rec.Author2.empty())
    FUZZ_CHECK(!rec.Author1.empty());
  if (!rec.OtherContributors.empty())
    FUZZ_CHECK(!rec.Author1.empty() && !rec.Author2.empty());
  FUZZ_CHECK(Trim(rec.OtherContributors) == rec.OtherContributors);

  if (parts[5])
    rec.Publisher = std::string(*parts[5]);
  rec.Series = std::string(parts[4].value_or(""));
  const std::string series = rec.Series;
  LookupLabel(rec);
  if (!parts[2] || SplitLines(*parts[2]).empty())
    FUZZ_CHECK(rec.Series == series);

  const std::string key = DictionaryKey(series);
  FUZZ_CHECK(FindChars(key, " ") == std::string::npos);
  FUZZ_CHECK(Trim(key) == key);

  fuzz::CheckRecordLine(rec);
  FreeAuthorDictionary();
  FreeLabelDictionary();
  FUZZ_CHECK(AuthorDict.lineCount == 0 && AuthorDict.text.empty());
  FUZZ_CHECK(LabelDict.lineCount == 0 && LabelDict.text.empty());
}
