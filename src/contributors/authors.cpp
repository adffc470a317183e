// Author assignment from the contributor entries, with the author dictionary.
#include "contributors/contributors.h"
#include "text/bytes.h"
#include "text/markup.h"

namespace vostrel {

Dictionary AuthorDict;

void LoadAuthorDictionary(const std::string& directory) {
  AuthorDict = LoadDictionary(directory + "AuthDB.dat");
}

void FreeAuthorDictionary() {
  AuthorDict = {};
}

std::string DictionaryKey(std::string_view text) {
  std::string key(text);
  for (std::string_view mark : {"・", "☆", "★", "♪"})
    key = RemoveAll(key, mark);
  // Katakana "ニ" and kanji "二" look alike and are typed for each other; both key as the kanji.
  key = ReplaceAll(key, "ニ", "二");
  key = ToHalfWidth(key);
  key = RemoveAll(key, " ");
  // The half-width prolonged sound mark (also what "ー" became above) keys as "-".
  key = ReplaceAll(key, "\xB0", "-");
  return std::string(Trim(key));
}

namespace {

// What the author dictionary says about one name; every field empty when it has no line for it.
struct DictionaryEntry {
  std::string_view name, reading, note;
  bool found = false;
};

DictionaryEntry LookupAuthor(std::string_view name) {
  DictionaryEntry entry;
  if (AuthorDict.lineCount == 0)
    return entry;
  const std::string normalised = DictionaryKey(name);
  // A name with an empty key would be "found" at any empty field of any line ("||"), and that
  // line's next field would replace the name; such a name is not looked up.
  if (normalised.empty())
    return entry;
  const std::string key = "|" + normalised + "|";
  const std::string_view text = AuthorDict.text;
  const std::size_t at = FindBytes(text, key);
  if (at == std::string_view::npos)
    return entry;
  // The value runs to the next "|" that ends a line, so a line without its final "|" runs on
  // into the lines after it. The view starts at the key: ExtractBetween finds it there at once.
  const std::string_view value = ExtractBetween(text.substr(at), key, "|\r\n");
  entry.name = NthField(value, '|', 1);
  entry.reading = NthField(value, '|', 2);
  entry.note = NthField(value, '|', 3);
  entry.found = true;
  return entry;
}

// Author1 CR LF Author2 CR LF OtherContributors: the names already given, against which each
// new name is tested for a duplicate.
std::string AssignedNames(const TBase& rec) {
  std::string names = rec.Author1;
  names += "\r\n";
  names += rec.Author2;
  names += "\r\n";
  names += rec.OtherContributors;
  return names;
}

}  // namespace

void AssignAuthors(const ContributorList& list, TBase& rec) {
  // Kept equal to AssignedNames(rec) throughout: rebuilt when an author place is set, extended
  // when a name is added to OtherContributors, so the names are not copied again per entry.
  std::string assigned = AssignedNames(rec);
  for (const std::string& entry : list.Entries()) {
    // The role digit goes; a role suffix stays part of the name.
    std::string_view name = entry.empty() ? std::string_view() : std::string_view(entry).substr(1);

    std::string_view bracketReading;
    if (const std::size_t open = PositionOf(name, "［"); open != 0) {
      bracketReading = ExtractBetween(name, "［", "］");
      // Whatever follows the reading (a role suffix) is dropped with it.
      name = BytesBefore(name, open);
    }

    const DictionaryEntry known = LookupAuthor(name);
    if (known.found)
      name = known.name;

    if (!name.empty() && Contains(assigned, name))
      continue;

    const std::string_view reading = known.reading.empty() ? bracketReading : known.reading;
    if (rec.Author1.empty()) {
      rec.Author1 = std::string(name);
      rec.Author1Reading = std::string(reading);
      rec.Author1Note = std::string(known.note);
      assigned = AssignedNames(rec);
    } else if (rec.Author2.empty()) {
      rec.Author2 = std::string(name);
      rec.Author2Reading = std::string(reading);
      assigned = AssignedNames(rec);
    } else {
      rec.OtherContributors += "\r\n";
      rec.OtherContributors += name;
      assigned += "\r\n";
      assigned += name;
    }
  }
  rec.OtherContributors = std::string(Trim(rec.OtherContributors));
}

}  // namespace vostrel
