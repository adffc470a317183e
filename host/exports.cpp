#include "exports.h"

#include <exception>
#include <string>

#include "host.h"

namespace {

// Nothing thrown inside reaches the plug-in that called.
template <typename Work>
std::int32_t Guarded(Work work) {
  try {
    return work() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

std::int32_t Fetch(const char* path, const char* url) {
  if (path == nullptr || url == nullptr)
    return 0;
  return Guarded([&] { return vostrel::host::Download(path, url); });
}

}  // namespace

std::int32_t ZELKON_STDCALL InternetConnectFunc(const char* url) {
  if (url == nullptr)
    return 0;
  return Guarded([&] { return vostrel::host::CanConnect(url); });
}

std::int32_t ZELKON_STDCALL HTTPDownloadFunc(const char* path, const char* url) {
  return Fetch(path, url);
}

std::int32_t ZELKON_STDCALL HTTPBinaryDownloadFunc(const char* path, const char* url) {
  return Fetch(path, url);
}

std::int32_t ZELKON_STDCALL HTTPFlagDownloadFunc(const char* path, const char* url,
                                                 std::int32_t /*flags*/) {
  return Fetch(path, url);
}

const char* ZELKON_STDCALL ISBNChkFunc(const char* text) {
  static std::string confirmed;
  try {
    confirmed = text != nullptr ? vostrel::host::ConfirmIsbn(text) : std::string();
  } catch (...) {
    confirmed.clear();
  }
  return confirmed.c_str();
}

std::int32_t ZELKON_STDCALL RefreshFunc() {
  return 0;
}
std::int32_t ZELKON_STDCALL ExportFunc(const char*) {
  return 0;
}
std::int32_t ZELKON_STDCALL InportFunc(const char*) {
  return 0;
}
const char* ZELKON_STDCALL JANChkFunc(const char*) {
  return "";
}
const char* ZELKON_STDCALL ASINChkFunc(const char*) {
  return "";
}
const char* ZELKON_STDCALL PluginListFunc() {
  return "";
}
std::int32_t ZELKON_STDCALL AcquireCDShow() {
  return 0;
}
std::int32_t ZELKON_STDCALL WaitWindowView(const char*) {
  return 0;
}
std::int32_t ZELKON_STDCALL WaitBarView(std::int32_t, std::int32_t) {
  return 0;
}
std::int32_t ZELKON_STDCALL WaitWindowClose() {
  return 0;
}
std::int32_t ZELKON_STDCALL SelectExportFunc() {
  return 0;
}
