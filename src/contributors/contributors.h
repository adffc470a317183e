// Contributors and name dictionaries: role parsing of responsibility statements, author
// assignment with the author dictionary, and the publisher and label dictionaries.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/common.h"

namespace vostrel {

// The contributor entries of one record page: role digit + name + role suffix, kept sorted
// under the platform's case-insensitive locale comparison. An entry equal to one already held
// is not added.
class ContributorList {
 public:
  // Inserts the entry in order; false when an equal entry is already held.
  bool Add(std::string entry);
  // The entries in order.
  const std::vector<std::string>& Entries() const;

 private:
  // A balanced tree keyed by each entry's collation key, computed once per entry: each
  // insertion costs a logarithmic number of byte comparisons and no moves, so a page of many
  // thousands of contributors is still read in time linear in its size.
  std::map<std::string, std::string> held_;   // collation key -> entry
  mutable std::vector<std::string> entries_;  // held_ in order, rebuilt after an insertion
  mutable bool stale_ = false;
};

// Cuts a responsibility statement into contributors at `separator`, recognises each one's role
// word from the role table and adds "role digit + name + suffix" entries to `list`.
// "山田太郎著／鈴木一郎訳" adds "1山田太郎" and "5鈴木一郎 [訳]".
void ParseContributors(std::string_view statement, std::string_view separator,
                       ContributorList& list);

// A dictionary file searched as text: its lines joined, each followed by CR LF.
struct Dictionary {
  std::size_t lineCount = 0;
  std::string text;
};

// Reads a dictionary file; an empty dictionary when the file does not exist. Throws
// platform::SystemError when it exists but cannot be read.
Dictionary LoadDictionary(const std::string& path);

// The author dictionary (WorkDir + "AuthDB.dat") and the label dictionary (WorkDir +
// "LabelsDB.dat"), loaded afresh for every ISBN and released when the run ends.
extern Dictionary AuthorDict;
extern Dictionary LabelDict;

void LoadAuthorDictionary(const std::string& directory);
void FreeAuthorDictionary();
void LoadLabelDictionary(const std::string& directory);
void FreeLabelDictionary();

// The normalised form of a name or series used as a dictionary key: "・☆★♪" removed, "ニ" to
// "二", half-width, spaces removed, "ｰ" to "-", trimmed. DictionaryKey("ルーシー") == "ﾙ-ｼ-".
std::string DictionaryKey(std::string_view text);

// Fills Author1, Author2, their readings, OtherContributors and Author1Note of `rec` from the
// entries in list order, each name corrected from AuthorDict.
void AssignAuthors(const ContributorList& list, TBase& rec = BookRec);

// Sets rec.Publisher from directory + "PubDB.dat" by the publisher code inside rec.Isbn,
// shortest code first.
void LookupPublisher(const std::string& directory, TBase& rec = BookRec);

// Replaces rec.Series with the label that LabelDict gives for rec.Publisher and the series.
void LookupLabel(TBase& rec = BookRec);

}  // namespace vostrel
