// Placeholder bodies: the catalogue dialogue is built by its own issue.
#include "catalogue/catalogue.h"
#include "plugin/common.h"

namespace vostrel {

std::string LoginUrl() {
  return CatalogueBaseUrl() + "/F?func=file&file_name=login&?RN";
}

Outcome QueryCatalogue(const std::string&) {
  return HostInternetConnect(LoginUrl()) ? Outcome::Skipped : Outcome::Offline;
}

}  // namespace vostrel
