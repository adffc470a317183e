// The POSIX build of the dump tool has no sections of its own: everything it prints comes from
// the platform layer and is compared with the Win32 build's output.
#include "dump.h"

namespace vostrel::tools {

bool DumpPlatformSection(Output&, std::string_view, const std::vector<std::string>&) {
  return false;
}

}  // namespace vostrel::tools
