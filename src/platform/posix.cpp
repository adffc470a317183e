// POSIX stand-in for the Win32 calls the plug-in relies on.
#include <dlfcn.h>
#include <iconv.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vostrel::platform {

namespace {

std::string ExecutablePath() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0)
    return {};
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string Canonical(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr)
    return path;
  return resolved;
}

// UTF-16 to UTF-8 for messages on standard error; unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void WriteMessageLine(std::string_view prefix, std::string_view text) {
  std::string line(prefix);
  line += WideToUtf8(AnsiToWide(text));
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y && !(x < 0x80 && y < 0x80 && std::tolower(x) == std::tolower(y)))
      return false;
  }
  return true;
}

}  // namespace

// --- modules --------------------------------------------------------------------------------

ModuleHandle LoadModule(const std::string& path) {
  // Windows hands back the main program's own handle when asked to load the running
  // executable; dlopen would map a second copy, so the main program is opened instead.
  if (!path.empty() && Canonical(path) == Canonical(ExecutablePath())) {
    return dlopen(nullptr, RTLD_NOW);
  }
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindFunction(ModuleHandle module, const char* name) {
  if (module == nullptr) {
    // A null handle searches the main program, as GetProcAddress does on Windows.
    void* self = dlopen(nullptr, RTLD_NOW);
    void* address = self != nullptr ? dlsym(self, name) : nullptr;
    if (self != nullptr)
      dlclose(self);
    return address;
  }
  return dlsym(module, name);
}

void ReleaseModule(ModuleHandle module) {
  if (module != nullptr)
    dlclose(module);
}

std::string MainExecutableDirectory() {
  const std::string exe = ExecutablePath();
  const std::size_t slash = exe.rfind('/');
  if (slash == std::string::npos)
    return ".";
  if (slash == 0)
    return "/";
  return exe.substr(0, slash);
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (path.empty() || path.back() != '/')
    path += '/';
  path += name;
  return path;
}

std::string_view HostExecutableName() {
  return "zelkon";
}

// --- files ----------------------------------------------------------------------------------

bool FileExists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

bool DeleteFileAt(const std::string& path) {
  return std::remove(path.c_str()) == 0;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  if (!FileExists(path))
    return std::nullopt;
  // A directory opens for reading here; only the read itself fails (EISDIR), so the read's
  // error flag, not the open, tells an unreadable path from an empty file.
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr)
    throw SystemError(path + "を読み込めません。");
  std::string content;
  char chunk[65536];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    content.append(chunk, got);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed)
    throw SystemError(path + "を読み込めません。");
  return content;
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr)
    throw SystemError(path + "を作成できません。");
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed)
    throw SystemError(path + "に書き込めません。");
}

void ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string temporary = path + ".vostrel-tmp";
  try {
    WriteWholeFile(temporary, bytes);
  } catch (...) {
    std::remove(temporary.c_str());
    throw;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw SystemError(path + "に書き込めません。");
  }
}

// --- settings -------------------------------------------------------------------------------

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view fallback) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  bool inSection = false;
  while (in && std::getline(in, line)) {
    std::string_view l = TrimBlanks(line);
    if (l.empty() || l.front() == ';')
      continue;
    if (l.front() == '[') {
      const std::size_t close = l.find(']');
      inSection = close != std::string_view::npos &&
                  EqualIgnoringAsciiCase(TrimBlanks(l.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection)
      continue;
    const std::size_t eq = l.find('=');
    if (eq == std::string_view::npos || !EqualIgnoringAsciiCase(TrimBlanks(l.substr(0, eq)), key)) {
      continue;
    }
    std::string_view value = TrimBlanks(l.substr(eq + 1));
    // GetPrivateProfileString drops one pair of enclosing quotes.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return std::string(fallback);
}

// --- messages -------------------------------------------------------------------------------

void ShowMessage(std::string_view text) {
  WriteMessageLine({}, text);
}

void ShowErrorBox(std::string_view text) {
  WriteMessageLine("error: ", text);
}

// --- code page 932, half-width, comparison --------------------------------------------------

namespace {

std::string Iconv(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1))
    return {};
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
      break;
    if (errno == E2BIG)
      break;
    // Skip one unit the conversion cannot take and put the default character in its place.
    const std::size_t unit = std::strcmp(from, "UTF-16LE") == 0 ? 2 : 1;
    const std::size_t skip = std::min(unit, srcLeft);
    src += skip;
    srcLeft -= skip;
    if (std::strcmp(to, "UTF-16LE") == 0) {
      if (dstLeft >= 2) {
        *dst++ = '\xFB';
        *dst++ = '\x30';
        dstLeft -= 2;
      }
    } else if (dstLeft >= 1) {
      *dst++ = '?';
      --dstLeft;
    }
  }
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace

std::u16string AnsiToWide(std::string_view text) {
  const std::string bytes = Iconv("UTF-16LE", "CP932", text);
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t u : text) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return Iconv("CP932", "UTF-16LE", bytes);
}

std::u16string HalfWidthWide(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t u : text) {
    if (u >= 0xFF01 && u <= 0xFF5E) {
      out += static_cast<char16_t>(u - 0xFEE0);
    } else if (u == 0x3000) {
      out += u' ';
    } else {
      out += u;
    }
  }
  return out;
}

std::string HalfWidthAnsi(std::string_view text) {
  return WideToAnsi(HalfWidthWide(AnsiToWide(text)));
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int x = static_cast<unsigned char>(a[i]);
    int y = static_cast<unsigned char>(b[i]);
    if (x < 0x80)
      x = std::tolower(x);
    if (y < 0x80)
      y = std::tolower(y);
    if (x != y)
      return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace vostrel::platform
