// Placeholder bodies: the dictionaries are built by their own issue.
#include "contributors/contributors.h"

namespace vostrel {

Dictionary AuthorDict;
Dictionary LabelDict;

Dictionary LoadDictionary(const std::string&) {
  return {};
}
void LoadAuthorDictionary(const std::string&) {}
void FreeAuthorDictionary() {
  AuthorDict = {};
}
void LoadLabelDictionary(const std::string&) {}
void FreeLabelDictionary() {
  LabelDict = {};
}
std::string DictionaryKey(std::string_view text) {
  return std::string(text);
}
void AssignAuthors(const ContributorList&, TBase&) {}
void LookupPublisher(const std::string&, TBase&) {}
void LookupLabel(TBase&) {}

}  // namespace vostrel
