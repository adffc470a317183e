// Sections only the Win32 build can print: the locale's own sort keys, from which the POSIX
// comparison's weight table is generated.
#include <windows.h>

#include <set>

#include "dump.h"

namespace vostrel::tools {

namespace {

// LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE): the key that
// CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE) orders by.
std::string SortKey(std::u16string_view text) {
  const auto* src = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  const int n = LCMapStringW(LOCALE_USER_DEFAULT, flags, src, length, nullptr, 0);
  std::string key(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    LCMapStringW(LOCALE_USER_DEFAULT, flags, src, length, reinterpret_cast<wchar_t*>(key.data()),
                 n);
  return key;
}

std::u16string Decode(std::string_view bytes) {
  wchar_t wide[8];
  const int n =
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide, 8);
  return std::u16string(reinterpret_cast<const char16_t*>(wide),
                        static_cast<std::size_t>(n > 0 ? n : 0));
}

void DumpKey(Output& out, std::u16string_view text) {
  out.Text("key ");
  out.Hex(text);
  out.Text(" ");
  out.Hex(SortKey(text));
  out.Text("\n");
}

}  // namespace

bool DumpPlatformSection(Output& out, std::string_view section,
                         const std::vector<std::string>& corpus) {
  if (section != "keys")
    return false;
  // Every UTF-16 unit a code page 932 text can decode to.
  std::set<char16_t> units;
  auto add = [&units](std::string_view bytes) {
    for (char16_t u : Decode(bytes))
      units.insert(u);
  };
  for (unsigned b = 0; b < 0x100; ++b)
    add(std::string(1, static_cast<char>(b)));
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0)
      continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail != 0x7F)
        add(std::string{static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  // Each unit alone, then in the contexts that show how its weights combine with others: before
  // the long-vowel mark, the repeat marks and a sound mark, before a small half-width kana
  // (which makes every kana weight of the unit visible), and after a letter, a katakana and a
  // hiragana.
  for (char16_t u : units)
    DumpKey(out, std::u16string(1, u));
  for (char16_t next : {u'\x30FC', u'\x309D', u'\x309E', u'\x3005', u'\x309B', u'\xFF67'}) {
    for (char16_t u : units)
      DumpKey(out, std::u16string{u, next});
  }
  for (char16_t before : {u'a', u'\x30AB', u'\x304B'}) {
    for (char16_t u : units)
      DumpKey(out, std::u16string{before, u});
  }
  for (const std::string& entry : corpus) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, entry.data(), static_cast<int>(entry.size()), nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, entry.data(), static_cast<int>(entry.size()),
                        reinterpret_cast<wchar_t*>(wide.data()), n);
    DumpKey(out, wide);
  }
  return true;
}

}  // namespace vostrel::tools
