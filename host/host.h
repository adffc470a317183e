// zelkon, the stand-in for the host application: the work behind its exported functions and
// the operating-system pieces its command line needs.
//
// Texts handed over by the plug-in are code page 932 bytes; paths are the system's own narrow
// paths (the ANSI code page on Windows, bytes on POSIX).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#if defined(_WIN32)
#define ZELKON_STDCALL __stdcall
// zelkon.def names the exports.
#define ZELKON_EXPORT extern "C"
#else
#define ZELKON_STDCALL
#define ZELKON_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace vostrel::host {

// --- downloads and connectivity (net_posix.cpp: sockets and libcurl; net_win32.cpp: Winsock
// and WinINet) ----------------------------------------------------------------------------------

struct DownloadSettings {
  long connectTimeoutMs = 10000;
  long totalTimeoutMs = 30000;
  // A PEM file holding one more certificate authority to trust, besides the system's ones.
  std::string caFile;
};

// Applies to every download after it. Throws std::runtime_error when the CA file cannot be
// read or taken in.
void Configure(const DownloadSettings& settings);

// True when a TCP connection to the URL's host and port (443 for https, 80 for http unless the
// URL names one) opens within `timeoutMs`.
bool CanConnect(std::string_view url, int timeoutMs = 3000);

// GET `url` (http or https only; redirects followed, cookies kept for the process, TLS
// verified) and put the body at `path`. The body goes to a temporary file beside `path` that
// replaces it only when the transfer succeeded with a status below 400; on failure nothing is
// written and whatever stood at `path` is left alone.
bool Download(const std::string& path, const std::string& url);

// --- the pieces every platform shares (isbn.cpp, url.cpp) ------------------------------------

// The confirmed ISBN: the text without hyphens and spaces when it is a valid ISBN-10 (check
// digit 0-9 or X) or ISBN-13 (prefix 978 or 979); a 26-byte barcode line is judged by its
// first 13 bytes. Empty when not valid. ConfirmIsbn("0-8044-2957-x") == "080442957X".
std::string ConfirmIsbn(std::string_view text);

struct Endpoint {
  std::string host;  // without the brackets of an IPv6 literal
  std::string port;
};

// The host and port a URL connects to; nullopt when the URL has no "scheme://host" or names a
// scheme other than http and https without a port.
// EndpointOf("https://[::1]:8443/F?x") == {"::1", "8443"}.
std::optional<Endpoint> EndpointOf(std::string_view url);

// True for URLs whose scheme is http or https (either case).
bool IsHttpUrl(std::string_view url);

// --- the command line's system pieces (system_posix.cpp, system_win32.cpp) --------------------

// Makes standard output and standard error carry bytes unchanged (UTF-8).
void PrepareConsole();

// The directory of the running executable, without a closing separator.
std::string ExecutableDirectory();

// The plug-in module's file name: "vostrel.so" or "vostrel.dll".
std::string_view DefaultPluginName();

// The separator the work directory must end with.
char PathSeparator();

// True when the path ends with a separator the system accepts.
bool EndsWithSeparator(std::string_view path);

// True when a directory exists at the path.
bool IsDirectory(const std::string& path);

// Creates a new, empty directory under the system's temporary directory; its path without a
// closing separator. Throws std::runtime_error.
std::string MakeTemporaryDirectory();

// Loads a module; null with a reason in `error` when it cannot be loaded.
void* LoadPlugin(const std::string& path, std::string& error);
void* PluginFunction(void* module, const char* name);

// Code page 932 bytes as UTF-8; bytes that form no character become "?".
std::string Cp932ToUtf8(std::string_view text);

// A path as the console shows it: UTF-8.
std::string PathForDisplay(std::string_view path);

// Turns every message box of this thread into one line on standard error, formatted as the
// plug-in's POSIX build writes its messages, and dismisses it; with a non-empty `logPath` a
// detail line per box (caption, icon, buttons, text) is appended there. A no-op where messages
// already go to standard error. Throws std::runtime_error when the hook cannot be installed.
void ObserveMessages(const std::string& logPath);

}  // namespace vostrel::host
