// The lookup run over an ISBN list and its pieces that work on the record.
#pragma once

#include <string>
#include <vector>

#include "plugin/common.h"

namespace vostrel {

// One lookup run: for each ISBN of the list, the catalogue's record page becomes one output
// line; the lines are written to `outputPath` at the end, on a stop, when the catalogue goes
// offline and when an error ends the run. Never throws.
void LookupRun(const char* workDir, const char* outputPath, const char* isbnList);

// An 18-byte list line: ISBN (bytes 1-10), classification code (11-14) and price (15-18, one
// leading zero dropped, "0000" meaning none). `line` is the list line as the host gave it.
void SplitBarcode18(const std::string& line, TBase& rec);

// A 26-byte list line, after the page scan: classification code (bytes 17-20) and price
// (21-26 as a number) where the page left them empty; the ISBN becomes bytes 1-13.
void SplitBarcode26(TBase& rec);

// Purchase state, both tax settings and read state from the host's Setting.ini (section
// "Entry") where the page left them empty.
void FillDefaults(const std::string& settingsPath, TBase& rec);

// The host's settings file beside its executable.
std::string SettingsPath();

}  // namespace vostrel
