// The command line's system pieces on POSIX.
#include <dlfcn.h>
#include <iconv.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "host.h"

namespace vostrel::host {

void PrepareConsole() {}

std::string ExecutableDirectory() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0)
    return ".";
  const std::string exe(buffer.data(), static_cast<std::size_t>(n));
  const std::size_t slash = exe.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : exe.substr(0, slash);
}

std::string_view DefaultPluginName() {
  return "vostrel.so";
}

char PathSeparator() {
  return '/';
}

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && path.back() == '/';
}

bool IsDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string MakeTemporaryDirectory() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = base != nullptr && *base != '\0' ? base : "/tmp";
  if (pattern.back() != '/')
    pattern += '/';
  pattern += "zelkon-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot create a work directory under " + pattern);
  return pattern;
}

void* LoadPlugin(const std::string& path, std::string& error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "cannot load " + path;
  }
  return module;
}

void* PluginFunction(void* module, const char* name) {
  return dlsym(module, name);
}

std::string Cp932ToUtf8(std::string_view text) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1))
    return std::string(text);
  std::string out(text.size() * 3 + 4, '\0');
  char* src = const_cast<char*>(text.data());
  std::size_t srcLeft = text.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
      break;
    if (errno == E2BIG)
      break;
    // A byte that starts no character: shown as "?", and the walk goes on after it.
    ++src;
    --srcLeft;
    if (dstLeft > 0) {
      *dst++ = '?';
      --dstLeft;
    }
  }
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

std::string PathForDisplay(std::string_view path) {
  return std::string(path);
}

void ObserveMessages(const std::string&) {
  // The plug-in's messages already come as lines on standard error.
}

}  // namespace vostrel::host
