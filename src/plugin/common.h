// The floor the subsystems stand on: the book record and its output line, the run's shared
// state, the binding of the host's functions and the configuration values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace vostrel {

// --- the book record ------------------------------------------------------------------------

// The host's book record: a leading 4-byte value the plug-in never touches, then 66 text
// fields numbered 1 to 66. Fields the plug-in never fills keep their number as their name.
struct TBase {
  std::uint32_t Reserved = 0;
  std::string Isbn, Title, TitleReading, Subtitle, VolumeNo;                        // 1-5
  std::string Author1, Author1Reading, Author2, Author2Reading, OtherContributors;  // 6-10
  std::string CCode, Field12, Publisher, Series, Field15;                           // 11-15
  std::string BookSize, WorkUrl, Audience, Ndc, PurchaseState;                      // 16-20
  std::string Price, TaxSetting, Field23, TaxSetting2, PubYear;                     // 21-25
  std::string PubMonth, Field27, Field28, Field29, Field30;                         // 26-30
  std::string Field31, Field32, Field33, Field34, Pages;                            // 31-35
  std::string Summary, CoverUrl, Field38, Field39, Field40;                         // 36-40
  std::string Field41, Field42, Field43, Field44, ReadState;                        // 41-45
  std::string Field46, Field47, Field48, Field49, Field50;                          // 46-50
  std::string Field51, Field52, Field53, Field54, Field55;                          // 51-55
  std::string Field56, Field57, Field58, Field59, Field60;                          // 56-60
  std::string Field61, Field62, Field63, Author1Note, Field65, Field66;             // 61-66

  // Field k, 1 <= k <= 66.
  std::string& Field(int k);
  const std::string& Field(int k) const;
};

// The one record being filled; cleared for every ISBN of a run.
extern TBase BookRec;

// The work directory of the current run. Data and temporary file names are appended to it
// directly; the host passes it with a closing separator.
extern std::string WorkDir;

// Set to 1 by the wait window's stop button; cleared when a run starts.
extern unsigned char StopRequested;

// Empties fields 1 to 66; the leading value is left as it is.
void ClearBook(TBase& rec = BookRec);

// CR LF to "$$", '"' to "”", "," to "，", each at character boundaries, in that order; a lone
// CR or LF stays. EscapeItem("A,B") == "A，B".
std::string EscapeItem(std::string_view text);

// The Windows half-width mapping of the whole text (readings, dictionary keys).
// ToHalfWidth("ヤマダ タロウ") == "ﾔﾏﾀﾞ ﾀﾛｳ".
std::string ToHalfWidth(std::string_view text);

// The record as one output line of 68 comma-separated items, without a line end. Fields 3, 7
// and 9 hold their half-width forms afterwards.
std::string BuildBookLine(TBase& rec = BookRec);

// --- the host's functions -------------------------------------------------------------------

using InternetConnectFn = std::int32_t(VOSTREL_STDCALL*)(const char* url);
using HttpDownloadFn = std::int32_t(VOSTREL_STDCALL*)(const char* path, const char* url);
using IsbnCheckFn = const char*(VOSTREL_STDCALL*)(const char* isbn);

// The sixteen functions the host exports, in the order they are looked up.
inline constexpr std::array<const char*, 16> kHostFunctionNames = {
    "InternetConnectFunc",  "HTTPDownloadFunc", "HTTPBinaryDownloadFunc",
    "HTTPFlagDownloadFunc", "RefreshFunc",      "ExportFunc",
    "InportFunc",           "ISBNChkFunc",      "JANChkFunc",
    "ASINChkFunc",          "PluginListFunc",   "AcquireCDShow",
    "WaitWindowView",       "WaitBarView",      "WaitWindowClose",
    "SelectExportFunc"};

// The addresses bound by BindHost, one per name above (null until bound).
struct HostBinding {
  platform::ModuleHandle module = nullptr;
  std::array<void*, 16> functions{};
};
extern HostBinding Host;

// Loads the host executable beside the main program and binds the sixteen functions. Shows
// "<path>がありません。" when the executable cannot be loaded (binding goes on, looking names up
// in the main program), and the missing-function text at the first name not found. True when
// all sixteen were found.
bool BindHost();

// Releases the host module, if one is loaded.
void ReleaseHost();

// The three host functions the plug-in calls.
bool HostInternetConnect(const std::string& url);
void HostDownload(const std::string& path, const std::string& url);
std::string HostIsbnCheck(const std::string& isbn);  // empty when the host answers null

// --- configuration --------------------------------------------------------------------------

// The catalogue base URL (scheme and host, no closing slash) and the placeholder cover
// address: build-time defaults, replaced by the lines "CATALOGUE_URL=" and "NOIMAGE_URL=" of
// WorkDir + "tovan.dat" when present.
std::string CatalogueBaseUrl();
std::string NoImageUrl();

}  // namespace vostrel
