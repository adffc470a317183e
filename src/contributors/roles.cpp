// Placeholder bodies: the role parsing is built by its own issue.
#include "contributors/contributors.h"

namespace vostrel {

bool ContributorList::Add(std::string entry) {
  entries_.push_back(std::move(entry));
  return true;
}

void ParseContributors(std::string_view, std::string_view, ContributorList&) {}

}  // namespace vostrel
