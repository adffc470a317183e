// The one seam between the plug-in and the operating system.
//
// Every operation here does what the plug-in's rules expect of the Windows call named beside it.
// win32.cpp implements it with the real Win32 API; posix.cpp is our own stand-in. The build
// picks one of the two files; no other folder includes <windows.h> or POSIX headers.
//
// All narrow texts are code page 932 (Shift-JIS) bytes; wide texts are UTF-16 code units.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#if defined(_WIN32)
#define VOSTREL_STDCALL __stdcall
// The module definition file names the exports and their ordinals.
#define VOSTREL_EXPORT extern "C"
#else
#define VOSTREL_STDCALL
#define VOSTREL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace vostrel::platform {

// An operating-system failure that ends a lookup run (a file that exists but cannot be read,
// an output file that cannot be written). The text is Shift-JIS, ready to show the user.
class SystemError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// --- code page 932 and UTF-16 -------------------------------------------------------------

// MultiByteToWideChar(CP_ACP, 0): each code page 932 character to its UTF-16 unit; a lone lead
// byte at the end or an unassigned code becomes what Windows gives for it.
std::u16string AnsiToWide(std::string_view text);

// WideCharToMultiByte(CP_ACP, 0, ..., NULL, NULL): best-fit characters as Windows maps them,
// "?" for every unit code page 932 cannot represent.
std::string WideToAnsi(std::u16string_view text);

// LCMapStringA(GetUserDefaultLCID(), LCMAP_HALFWIDTH) over the whole text: full-width katakana
// to half-width (voiced kana split into base and sound mark), full-width ASCII to ASCII, the
// ideographic space to a space; kanji and hiragana unchanged. "ガギ" -> "ｶﾞｷﾞ".
std::string HalfWidthAnsi(std::string_view text);

// LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_HALFWIDTH) over the whole text.
std::u16string HalfWidthWide(std::u16string_view text);

// CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, ...): negative, zero or positive as
// `a` sorts before, equal to or after `b`.
int CompareIgnoreCase(std::string_view a, std::string_view b);

// LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, ...): a key whose plain
// byte order is the order of CompareIgnoreCase, so a text compared many times is keyed once.
std::string CollationKey(std::string_view text);

// --- modules --------------------------------------------------------------------------------

using ModuleHandle = void*;

// LoadLibraryA. Null on failure. On POSIX, a path naming the running executable itself yields
// the main program's handle, as Windows does.
ModuleHandle LoadModule(const std::string& path);

// GetProcAddress. A null module looks the name up in the main program, as Windows does for a
// null handle.
void* FindFunction(ModuleHandle module, const char* name);

// FreeLibrary; a null handle is ignored.
void ReleaseModule(ModuleHandle module);

// The directory of the process's main executable, without a closing separator (a drive root
// keeps its own).
std::string MainExecutableDirectory();

// `directory` + the platform's separator + `name`; a directory that already ends with a
// separator (a drive or file-system root) gets no second one.
std::string JoinPath(std::string_view directory, std::string_view name);

// The file name of the host executable the plug-in binds: "zelkon.exe" on Windows, "zelkon"
// on POSIX.
std::string_view HostExecutableName();

// --- files ----------------------------------------------------------------------------------

bool FileExists(const std::string& path);

// DeleteFileA. False when nothing was deleted.
bool DeleteFileAt(const std::string& path);

// The whole file as bytes; nullopt when no file exists at the path. Throws SystemError when a
// file exists but cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Creates or replaces the file with exactly these bytes. Throws SystemError on failure.
void WriteWholeFile(const std::string& path, std::string_view bytes);

// Writes the bytes to a temporary file in the same directory, then puts it in place of the
// target, so a failure midway never leaves a truncated file at the path. Throws SystemError.
void ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// --- settings -------------------------------------------------------------------------------

// GetPrivateProfileStringA(section, key, fallback, ..., path): the value of the key in the
// section (names compared without regard to case, surrounding blanks and quotes removed), or the
// fallback when the file, the section or the key is missing.
std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view fallback);

// --- messages -------------------------------------------------------------------------------

// The plain modal message dialog: no icon, one OK button.
void ShowMessage(std::string_view text);

// MessageBoxA with no owner, the system's default caption and the error icon.
void ShowErrorBox(std::string_view text);

}  // namespace vostrel::platform
