// Placeholder body: the UTF-8 decoding is built by its own issue.
#include "catalogue/catalogue.h"

namespace vostrel {

std::string Utf8ToAnsi(std::string_view text) {
  return std::string(text);
}

}  // namespace vostrel
