// The platform seam over the real Win32 API.
#include <windows.h>

#include <vector>

#include "platform/platform.h"

namespace vostrel::platform {

namespace {

int ToInt(std::size_t n) {
  return static_cast<int>(n);
}

}  // namespace

// --- code page 932 and UTF-16 -------------------------------------------------------------

std::u16string AnsiToWide(std::string_view text) {
  if (text.empty())
    return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), ToInt(text.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), ToInt(text.size()),
                      reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  if (text.empty())
    return {};
  const auto* src = reinterpret_cast<const wchar_t*>(text.data());
  const int n =
      WideCharToMultiByte(CP_ACP, 0, src, ToInt(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, src, ToInt(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string HalfWidthAnsi(std::string_view text) {
  if (text.empty())
    return {};
  const LCID locale = GetUserDefaultLCID();
  const int n = LCMapStringA(locale, LCMAP_HALFWIDTH, text.data(), ToInt(text.size()), nullptr, 0);
  std::string out(static_cast<std::size_t>(n), '\0');
  LCMapStringA(locale, LCMAP_HALFWIDTH, text.data(), ToInt(text.size()), out.data(), n);
  return out;
}

std::u16string HalfWidthWide(std::u16string_view text) {
  if (text.empty())
    return {};
  const auto* src = reinterpret_cast<const wchar_t*>(text.data());
  const int n =
      LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_HALFWIDTH, src, ToInt(text.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_HALFWIDTH, src, ToInt(text.size()),
               reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
  // CompareStringA fails (answers 0, which would read as "less") for a null pointer, which an
  // empty view may hold.
  const char* x = a.empty() ? "" : a.data();
  const char* y = b.empty() ? "" : b.data();
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, x, ToInt(a.size()), y,
                        ToInt(b.size())) -
         CSTR_EQUAL;
}

std::string CollationKey(std::string_view text) {
  constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
  const char* source = text.empty() ? "" : text.data();
  const int n = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, source, ToInt(text.size()), nullptr, 0);
  std::string key(static_cast<std::size_t>(n), '\0');
  if (n > 0) {
    LCMapStringA(LOCALE_USER_DEFAULT, kFlags, source, ToInt(text.size()), key.data(), n);
  }
  // The key ends with a zero byte that takes no part in the order.
  if (!key.empty() && key.back() == '\0')
    key.pop_back();
  return key;
}

// --- modules --------------------------------------------------------------------------------

ModuleHandle LoadModule(const std::string& path) {
  return LoadLibraryA(path.c_str());
}

void* FindFunction(ModuleHandle module, const char* name) {
  // A null handle searches the main executable, as GetModuleHandle(NULL) names it.
  HMODULE m = module != nullptr ? static_cast<HMODULE>(module) : GetModuleHandleA(nullptr);
  return reinterpret_cast<void*>(GetProcAddress(m, name));
}

void ReleaseModule(ModuleHandle module) {
  if (module != nullptr)
    FreeLibrary(static_cast<HMODULE>(module));
}

std::string MainExecutableDirectory() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) {
      std::string path(buffer.data(), n);
      const std::size_t sep = path.find_last_of("\\/");
      if (sep == std::string::npos)
        return path;
      // A drive root keeps its separator ("C:\").
      return path.substr(0, sep == 2 && path[1] == ':' ? sep + 1 : sep);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (path.empty() || (path.back() != '\\' && path.back() != '/'))
    path += '\\';
  path += name;
  return path;
}

std::string_view HostExecutableName() {
  return "zelkon.exe";
}

// --- files ----------------------------------------------------------------------------------

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DeleteFileAt(const std::string& path) {
  return DeleteFileA(path.c_str()) != 0;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  if (!FileExists(path))
    return std::nullopt;
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE)
    throw SystemError(path + "を読み込めません。");
  std::string content;
  char chunk[65536];
  DWORD got = 0;
  BOOL ok = TRUE;
  while ((ok = ReadFile(f, chunk, sizeof chunk, &got, nullptr)) != FALSE && got > 0) {
    content.append(chunk, got);
  }
  CloseHandle(f);
  if (ok == FALSE)
    throw SystemError(path + "を読み込めません。");
  return content;
}

namespace {

HANDLE CreateForWriting(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

// Writes every byte and closes the file; false when either fails.
bool WriteAllAndClose(HANDLE f, std::string_view bytes) {
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    ok = WriteFile(f, bytes.data() + done, chunk, &wrote, nullptr) != FALSE && wrote == chunk;
    done += wrote;
  }
  return CloseHandle(f) != FALSE && ok;
}

}  // namespace

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  HANDLE f = CreateForWriting(path);
  if (f == INVALID_HANDLE_VALUE)
    throw SystemError(path + "を作成できません。");
  if (!WriteAllAndClose(f, bytes))
    throw SystemError(path + "に書き込めません。");
}

void ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  // Failures are told in terms of the target, the file the user knows.
  const std::string temporary = path + ".vostrel-tmp";
  HANDLE f = CreateForWriting(temporary);
  if (f == INVALID_HANDLE_VALUE)
    throw SystemError(path + "を作成できません。");
  if (!WriteAllAndClose(f, bytes) ||
      MoveFileExA(temporary.c_str(), path.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == FALSE) {
    DeleteFileA(temporary.c_str());
    throw SystemError(path + "に書き込めません。");
  }
}

// --- settings -------------------------------------------------------------------------------

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view fallback) {
  const std::string s(section), k(key), d(fallback);
  std::vector<char> buffer(1024);
  for (;;) {
    const DWORD n = GetPrivateProfileStringA(s.c_str(), k.c_str(), d.c_str(), buffer.data(),
                                             static_cast<DWORD>(buffer.size()), path.c_str());
    if (n + 1 < buffer.size())
      return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 4);
  }
}

// --- messages -------------------------------------------------------------------------------

void ShowMessage(std::string_view text) {
  const std::string t(text);
  MessageBoxA(GetActiveWindow(), t.c_str(), nullptr, MB_OK | MB_TASKMODAL);
}

void ShowErrorBox(std::string_view text) {
  const std::string t(text);
  MessageBoxA(nullptr, t.c_str(), nullptr, MB_OK | MB_ICONERROR);
}

}  // namespace vostrel::platform
