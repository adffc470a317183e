// POSIX stand-in for the Win32 calls the plug-in relies on.
#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
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
  // The file's size up front: one allocation and one read for the whole file (the run reads
  // the dictionaries for every ISBN). A file that grows meanwhile is read on to its end.
  std::string content;
  struct stat info {};
  if (fstat(fileno(f), &info) == 0 && info.st_size > 0)
    content.resize(static_cast<std::size_t>(info.st_size));
  content.resize(std::fread(content.data(), 1, content.size(), f));
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
  // The temporary file sits in the target's directory (so the rename stays on one file system)
  // under a short name of its own: a name built on the target's could pass the file system's
  // limit of 255 bytes where the target's own name does not. The process id keeps two hosts
  // writing into one directory apart.
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string temporary = directory + ".vostrel-" + std::to_string(getpid()) + ".tmp";
  // Failures are told in terms of the target, the file the user knows.
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (f == nullptr)
    throw SystemError(path + "を作成できません。");
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    std::remove(temporary.c_str());
    throw SystemError(path + "に書き込めません。");
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
//
// Everything here reproduces what the Win32 calls answer for code page 932 and the Japanese
// user locale. The tables come from those answers (posix_tables.inc, generated by
// tools/platform-tables/generate.py); the rules below are the ones the generator checked against
// every answer it read, and the Wine tests compare the whole layer with Win32 again.

namespace {

// How a unit takes part in a sort key (see SortKey).
enum class WeightKind : std::uint8_t {
  kIgnored,             // no weight at all (NUL)
  kPrimary,             // a two-byte primary weight with a diacritic and a case weight
  kPrimaryNoDiacritic,  // a three-byte primary weight (private use) with a case weight only
  kExpansion,           // weighs as two characters ("㎎" as "mg"): kExpansions
  kPunctuation,         // hyphen, apostrophe, controls: weighed after everything, by position
  kMark,                // a sound mark: adds its diacritic weight to the character before it
  kLongVowel,           // "ー": the vowel of the kana before it, else a copy of that character
  kRepeat,              // "ゝ" "ヽ": a copy of the character before
  kVoicedRepeat,        // "ゞ" "ヾ": a voiced copy of the kana before
  kIdeographicRepeat,   // "々": a copy of the character before
};

// Kana weights of a kPrimary unit.
constexpr std::uint8_t kKana = 1, kSmallKana = 2, kKatakana = 4, kHalfWidthKana = 8;

#include "platform/posix_tables.inc"

// What code page 932 decodes an unassigned code, a broken pair or a lone lead byte to.
constexpr char16_t kDefaultUnit = 0x30FB;
// The encoding of a unit code page 932 cannot represent.
constexpr std::uint16_t kNoCode = 0xFFFF;

// The platform layer sits below text/, so it keeps its own copy of the lead-byte test.
bool IsLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Position of a lead and trail byte pair in kPairUnits; npos when `trail` cannot follow a lead.
std::size_t PairIndex(unsigned char lead, unsigned char trail) {
  if (trail < 0x40 || trail == 0x7F || trail > 0xFC)
    return std::string_view::npos;
  const std::size_t row = lead <= 0x9F ? lead - 0x81u : lead - 0xE0u + 31;
  return row * 188 + (trail < 0x7F ? trail - 0x40u : trail - 0x41u);
}

// Calls `visit(code, unit)` for every code in code order: single bytes, then lead/trail pairs.
template <typename Visit>
void ForEachCode(Visit visit) {
  for (unsigned b = 0; b < 0x100; ++b) {
    if (!IsLead(static_cast<unsigned char>(b)))
      visit(static_cast<std::uint16_t>(b), kSingleByteUnits[b]);
  }
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLead(static_cast<unsigned char>(lead)))
      continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      const std::size_t i =
          PairIndex(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
      if (i != std::string_view::npos)
        visit(static_cast<std::uint16_t>(lead << 8 | trail), kPairUnits[i]);
    }
  }
}

// UTF-16 unit -> code (a code above 0xFF is two bytes), kNoCode for "?". Built on first use by
// inverting the decode tables (a later code wins where two decode to the same unit), then
// applying Windows' own choices.
const std::vector<std::uint16_t>& EncodeTable() {
  static const std::vector<std::uint16_t> table = [] {
    std::vector<std::uint16_t> t(0x10000, kNoCode);
    ForEachCode([&t](std::uint16_t code, char16_t unit) {
      if (unit != kDefaultUnit)
        t[unit] = code;
    });
    for (const auto& e : kEncodeExceptions)
      t[e.unit] = e.code;
    return t;
  }();
  return table;
}

struct Weight {
  WeightKind kind = WeightKind::kIgnored;
  std::uint8_t kanaFlags = 0, diacritic = 2, caseWeight = 2;
  std::uint32_t primary = 0;
};

// The weights of every unit code page 932 decodes to, indexed by unit; other units (which no
// narrow text decodes to) weigh nothing.
const std::vector<Weight>& WeightTable() {
  static const std::vector<Weight> table = [] {
    std::vector<Weight> t(0x10000);
    std::vector<bool> seen(0x10000, false);
    std::size_t row = 0, step = 0;
    std::uint32_t primary = kWeightRows[0].primary;
    ForEachCode([&](std::uint16_t, char16_t unit) {
      if (seen[unit] || row >= std::size(kWeightRows))
        return;
      seen[unit] = true;
      const auto& r = kWeightRows[row];
      t[unit] = {r.kind, r.kanaFlags, r.diacritic, r.caseWeight, primary};
      // Move on to the next record: the next step of this row, or the next row.
      if (r.steps[step] != '\0') {
        primary += static_cast<std::uint32_t>(std::string_view(kDeltaDigits).find(r.steps[step]));
        ++step;
      } else if (++row < std::size(kWeightRows)) {
        step = 0;
        primary = kWeightRows[row].primary;
      }
    });
    return t;
  }();
  return table;
}

std::uint16_t VowelOf(std::uint16_t kana) {
  const auto* end = std::end(kVowels);
  const auto* v = std::lower_bound(std::begin(kVowels), end, kana,
                                   [](const auto& e, std::uint16_t k) { return e.kana < k; });
  return v != end && v->kana == kana ? v->vowel : kana;
}

void AppendBigEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
    out += static_cast<char>((value >> shift) & 0xFF);
}

// The sort key LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE) gives, which
// CompareStringW orders by, byte by byte. Its levels, each closed by 0x01:
//   1. primary weights, one per character (the letter itself);
//   2. diacritic weights (sound marks add theirs to the character before), trailing plain
//      weights (2) left out;
//   3. case and width weights, trailing 2s left out;
//   4. only when kana occur, four rows of kana weights, one entry per kana, each without its
//      trailing plain entries: small kana (0xC4, else 0xC6), then 0xFF; long-vowel and repeat
//      marks (5 and 4, else 3), then 0x02; katakana (0xC4, else hiragana 0xE4), then 0xFF;
//      half-width (0xC4, else 0xC5), then 0xFF;
//   5. punctuation that weighs nothing above: position (0xFFFF minus the number of primary
//      weights before it), weight and case weight; then the closing 0x00.
// The long-vowel and repeat marks take their weights from the last character before them that
// is neither such a mark nor a sound mark.
std::string SortKey(std::u16string_view text) {
  const std::vector<Weight>& weights = WeightTable();
  std::string primaries, punctuation;
  std::vector<std::uint8_t> diacritics, cases;
  struct Kana {
    bool small = false;
    std::uint8_t mark = 3;
    bool katakana = false, halfWidth = false;
  };
  std::vector<Kana> kana;
  // The character the long-vowel and repeat marks take their weights from.
  struct Base {
    bool present = false;
    std::uint32_t primary = 0;
    int bytes = 2;
    bool hasDiacritic = true;
    std::uint8_t diacritic = 2;
    bool isKana = false;
    Kana kana;
  } base;
  std::size_t primaryCount = 0;

  for (char16_t unit : text) {
    const Weight& w = weights[unit];
    switch (w.kind) {
      case WeightKind::kIgnored:
        break;
      case WeightKind::kPrimary:
      case WeightKind::kPrimaryNoDiacritic: {
        const bool threeBytes = w.kind == WeightKind::kPrimaryNoDiacritic;
        AppendBigEndian(primaries, w.primary, threeBytes ? 3 : 2);
        ++primaryCount;
        if (!threeBytes)
          diacritics.push_back(w.diacritic);
        cases.push_back(w.caseWeight);
        const bool isKana = (w.kanaFlags & kKana) != 0;
        const Kana k{(w.kanaFlags & kSmallKana) != 0, 3, (w.kanaFlags & kKatakana) != 0,
                     (w.kanaFlags & kHalfWidthKana) != 0};
        if (isKana)
          kana.push_back(k);
        base = Base{true, w.primary, threeBytes ? 3 : 2, !threeBytes, w.diacritic, isKana, k};
        break;
      }
      case WeightKind::kExpansion: {
        const auto& e = kExpansions[w.primary];
        for (const auto& part : {e.first, e.second}) {
          AppendBigEndian(primaries, part.primary, 2);
          ++primaryCount;
          diacritics.push_back(part.diacritic);
          cases.push_back(part.caseWeight);
        }
        base = Base{};  // nothing repeats an expansion
        break;
      }
      case WeightKind::kPunctuation: {
        AppendBigEndian(punctuation, static_cast<std::uint32_t>(0xFFFF - primaryCount), 2);
        punctuation += static_cast<char>(w.primary);
        punctuation += static_cast<char>(w.caseWeight);
        // A following long-vowel or repeat mark copies it as a primary weight of script 6.
        base = Base{true, 0x0600u | w.primary, 2, true, 2, false, {}};
        break;
      }
      case WeightKind::kMark:
        if (diacritics.empty()) {
          diacritics.push_back(w.diacritic);
        } else {
          diacritics.back() = static_cast<std::uint8_t>(diacritics.back() + w.diacritic);
        }
        break;
      case WeightKind::kLongVowel:
      case WeightKind::kRepeat:
      case WeightKind::kVoicedRepeat:
      case WeightKind::kIdeographicRepeat: {
        if (!base.present) {
          AppendBigEndian(primaries, 0xFFFF, 2);  // nothing to take a weight from
          ++primaryCount;
          break;
        }
        std::uint32_t primary = base.primary;
        bool hasDiacritic = base.hasDiacritic;
        std::uint8_t diacritic = base.diacritic;
        if (base.isKana) {
          hasDiacritic = true;
          switch (w.kind) {
            case WeightKind::kLongVowel:
              primary = VowelOf(static_cast<std::uint16_t>(primary));
              diacritic = 2;
              break;
            case WeightKind::kVoicedRepeat:
              diacritic = 3;
              break;
            case WeightKind::kIdeographicRepeat:
              diacritic = 5;
              break;
            default:
              diacritic = 2;
          }
          Kana k = base.kana;
          k.mark = w.kind == WeightKind::kLongVowel ? 5 : 4;
          // The long-vowel mark has its own width; repeat marks take the kana's.
          if (w.kind == WeightKind::kLongVowel)
            k.halfWidth = (w.kanaFlags & kHalfWidthKana) != 0;
          kana.push_back(k);
        }
        AppendBigEndian(primaries, primary, base.bytes);
        ++primaryCount;
        if (hasDiacritic)
          diacritics.push_back(diacritic);
        cases.push_back(2);
        break;
      }
    }
  }

  // Appends the entries without their trailing `plain` ones, then `end`.
  auto appendRow = [](std::string& out, const auto& values, auto weigh, std::uint8_t plain,
                      char end) {
    std::size_t n = values.size();
    while (n > 0 && weigh(values[n - 1]) == plain)
      --n;
    for (std::size_t i = 0; i < n; ++i)
      out += static_cast<char>(weigh(values[i]));
    out += end;
  };
  auto same = [](std::uint8_t v) { return v; };
  std::string key = std::move(primaries);
  key += '\x01';
  appendRow(key, diacritics, same, 2, '\x01');
  appendRow(key, cases, same, 2, '\x01');
  if (!kana.empty()) {
    appendRow(
        key, kana, [](const Kana& k) -> std::uint8_t { return k.small ? 0xC4 : 0xC6; }, 0xC6,
        '\xFF');
    appendRow(
        key, kana, [](const Kana& k) { return k.mark; }, 3, '\x02');
    appendRow(
        key, kana, [](const Kana& k) -> std::uint8_t { return k.katakana ? 0xC4 : 0xE4; }, 0xE4,
        '\xFF');
    appendRow(
        key, kana, [](const Kana& k) -> std::uint8_t { return k.halfWidth ? 0xC4 : 0xC5; }, 0xC5,
        '\xFF');
  }
  key += '\x01';
  key += punctuation;
  key += '\0';
  return key;
}

}  // namespace

std::u16string AnsiToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (!IsLead(b)) {
      out += kSingleByteUnits[b];
      continue;
    }
    // A lead byte takes the next byte with it whatever that is, unless it is NUL or missing.
    if (i + 1 < text.size() && text[i + 1] != '\0') {
      const std::size_t pair = PairIndex(b, static_cast<unsigned char>(text[++i]));
      out += pair != std::string_view::npos ? kPairUnits[pair] : kDefaultUnit;
    } else {
      out += kDefaultUnit;
    }
  }
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  const std::uint16_t* encode = EncodeTable().data();
  // At most two bytes a unit: one buffer, written in place and cut to what was written.
  std::string out(text.size() * 2, '\0');
  char* p = out.data();
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    // Runs of ASCII go eight units at a time while every code is one byte; the room for two
    // bytes a unit covers the eight stores. Otherwise the bytes stored are overwritten below.
    while (i + 8 <= n && text[i] < 0x80) {
      char16_t any = 0;
      for (std::size_t k = 0; k < 8; ++k)
        any |= text[i + k];
      if (any >= 0x80)
        break;
      std::uint16_t codes = 0;
      for (std::size_t k = 0; k < 8; ++k) {
        const std::uint16_t code = encode[text[i + k]];
        p[k] = static_cast<char>(code);
        codes |= code;
      }
      if (codes > 0xFF)
        break;
      p += 8;
      i += 8;
    }
    if (i == n)
      break;
    std::uint16_t code = encode[text[i]];
    if (code == kNoCode)
      code = '?';
    // Both bytes are stored every time and the end moves by the code's length: no branch on
    // the kind of character. The second store stays inside the buffer, which has room for two
    // bytes for every unit.
    const bool twoBytes = code > 0xFF;
    p[0] = static_cast<char>(twoBytes ? code >> 8 : code);
    p[1] = static_cast<char>(code & 0xFF);
    p += twoBytes ? 2 : 1;
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
  return out;
}

std::u16string HalfWidthWide(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto* end = std::end(kHalfWidth);
  for (char16_t unit : text) {
    const auto* m = std::lower_bound(std::begin(kHalfWidth), end, unit,
                                     [](const auto& e, char16_t u) { return e.unit < u; });
    if (m == end || m->unit != unit) {
      out += unit;
      continue;
    }
    out += m->first;
    if (m->second != 0)
      out += m->second;
  }
  return out;
}

std::string HalfWidthAnsi(std::string_view text) {
  // LCMapStringA maps through UTF-16: decode, map, encode back.
  return WideToAnsi(HalfWidthWide(AnsiToWide(text)));
}

std::string CollationKey(std::string_view text) {
  return SortKey(AnsiToWide(text));
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
  // CompareStringA decodes both texts and orders them by their sort keys.
  const std::string x = CollationKey(a);
  const std::string y = CollationKey(b);
  const int c = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
  if (c != 0)
    return c < 0 ? -1 : 1;
  return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
}

}  // namespace vostrel::platform
