// The sixteen functions zelkon exports by name for the plug-ins it loads. Three do real work;
// the others stand in for host features a look-up plug-in never calls.
#pragma once

#include <cstdint>

#include "host.h"

// 1 when a TCP connection to the URL's host and port opens within about three seconds, else 0.
ZELKON_EXPORT std::int32_t ZELKON_STDCALL InternetConnectFunc(const char* url);

// Fetches the URL into the file at `path`: 1 and the body at the path on success; 0 and nothing
// written on failure (network error, time-out, status 400 or above).
ZELKON_EXPORT std::int32_t ZELKON_STDCALL HTTPDownloadFunc(const char* path, const char* url);

// The same download: bodies are written byte for byte either way.
ZELKON_EXPORT std::int32_t ZELKON_STDCALL HTTPBinaryDownloadFunc(const char* path, const char* url);
// The same download; the flags are not used.
ZELKON_EXPORT std::int32_t ZELKON_STDCALL HTTPFlagDownloadFunc(const char* path, const char* url,
                                                               std::int32_t flags);

// The confirmed ISBN (hyphens and spaces dropped) for a valid ISBN-10 or ISBN-13, the empty
// text otherwise. The text stays zelkon's and is valid until the next call.
ZELKON_EXPORT const char* ZELKON_STDCALL ISBNChkFunc(const char* text);

// Stand-ins: they do nothing, return 0 or the empty text.
ZELKON_EXPORT std::int32_t ZELKON_STDCALL RefreshFunc();
ZELKON_EXPORT std::int32_t ZELKON_STDCALL ExportFunc(const char* path);
ZELKON_EXPORT std::int32_t ZELKON_STDCALL InportFunc(const char* path);
ZELKON_EXPORT const char* ZELKON_STDCALL JANChkFunc(const char* text);
ZELKON_EXPORT const char* ZELKON_STDCALL ASINChkFunc(const char* text);
ZELKON_EXPORT const char* ZELKON_STDCALL PluginListFunc();
ZELKON_EXPORT std::int32_t ZELKON_STDCALL AcquireCDShow();
ZELKON_EXPORT std::int32_t ZELKON_STDCALL WaitWindowView(const char* caption);
ZELKON_EXPORT std::int32_t ZELKON_STDCALL WaitBarView(std::int32_t position, std::int32_t total);
ZELKON_EXPORT std::int32_t ZELKON_STDCALL WaitWindowClose();
ZELKON_EXPORT std::int32_t ZELKON_STDCALL SelectExportFunc();
