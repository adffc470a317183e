// Role parsing of responsibility statements on arbitrary texts and separators.
//
// Input: the statement, then optionally the separator and the separator ("／" when absent);
// a further separator and a second statement go to the same list.
#include "contributors/contributors.h"
#include "common/support.h"
#include "common/target.h"
#include "platform/platform.h"

namespace {

using namespace vostrel;

bool IsRoleCode(char c) {
  return c == '0' || c == '1' || c == '2' || c == '3' || c == '4' || c == '5' || c == '9';
}

void CheckList(const ContributorList& list) {
  const std::vector<std::string>& entries = list.Entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& entry = entries[i];
    FUZZ_CHECK(entry.size() >= 2);
    FUZZ_CHECK(IsRoleCode(entry.front()));
    FUZZ_CHECK(entry != std::string(1, entry.front()) + "他");
    FUZZ_CHECK(entry != std::string(1, entry.front()) + "ほか");
    // Sorted, and no two entries equal under the list's comparison.
    if (i > 0)
      FUZZ_CHECK(platform::CompareIgnoreCase(entries[i - 1], entry) < 0);
  }
}

}  // namespace

VOSTREL_FUZZ_SELF_CHECK(contributors) {
  ContributorList list;
  ParseContributors("山田太郎著／鈴木一郎訳", "／", list);
  FUZZ_CHECK(list.Entries().size() == 2);
  FUZZ_CHECK(list.Entries()[0] == "1山田太郎");
  FUZZ_CHECK(list.Entries()[1] == "5鈴木一郎 [訳]");
  ContributorList other;
  ParseContributors("山田￥太郎著", "／", other);
  FUZZ_CHECK(other.Entries().size() == 1 && other.Entries()[0] == "1山田\\太郎");
}

VOSTREL_FUZZ_TARGET(contributors) {
  const auto parts = fuzz::SplitParts(fuzz::AsText(data, size), 3);
  const std::string_view statement = *parts[0];
  const std::string_view separator = parts[1].value_or("／");
  ContributorList list;
  ParseContributors(statement, separator, list);
  CheckList(list);
  const std::size_t count = list.Entries().size();
  // The same statement again adds nothing: every entry is already held.
  ParseContributors(statement, separator, list);
  FUZZ_CHECK(list.Entries().size() == count);
  if (parts[2]) {
    ParseContributors(*parts[2], separator, list);
    CheckList(list);
    FUZZ_CHECK(list.Entries().size() >= count);
  }
}
