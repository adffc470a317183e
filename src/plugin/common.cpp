#include "plugin/common.h"

#include <vector>

#include "text/bytes.h"

namespace vostrel {

TBase BookRec;
std::string WorkDir;
unsigned char StopRequested = 0;
HostBinding Host;

// --- the book record ------------------------------------------------------------------------

namespace {

using FieldMember = std::string TBase::*;

// Fields 1 to 66 in their numbered order.
constexpr std::array<FieldMember, 66> kFields = {&TBase::Isbn,
                                                 &TBase::Title,
                                                 &TBase::TitleReading,
                                                 &TBase::Subtitle,
                                                 &TBase::VolumeNo,
                                                 &TBase::Author1,
                                                 &TBase::Author1Reading,
                                                 &TBase::Author2,
                                                 &TBase::Author2Reading,
                                                 &TBase::OtherContributors,
                                                 &TBase::CCode,
                                                 &TBase::Field12,
                                                 &TBase::Publisher,
                                                 &TBase::Series,
                                                 &TBase::Field15,
                                                 &TBase::BookSize,
                                                 &TBase::WorkUrl,
                                                 &TBase::Audience,
                                                 &TBase::Ndc,
                                                 &TBase::PurchaseState,
                                                 &TBase::Price,
                                                 &TBase::TaxSetting,
                                                 &TBase::Field23,
                                                 &TBase::TaxSetting2,
                                                 &TBase::PubYear,
                                                 &TBase::PubMonth,
                                                 &TBase::Field27,
                                                 &TBase::Field28,
                                                 &TBase::Field29,
                                                 &TBase::Field30,
                                                 &TBase::Field31,
                                                 &TBase::Field32,
                                                 &TBase::Field33,
                                                 &TBase::Field34,
                                                 &TBase::Pages,
                                                 &TBase::Summary,
                                                 &TBase::CoverUrl,
                                                 &TBase::Field38,
                                                 &TBase::Field39,
                                                 &TBase::Field40,
                                                 &TBase::Field41,
                                                 &TBase::Field42,
                                                 &TBase::Field43,
                                                 &TBase::Field44,
                                                 &TBase::ReadState,
                                                 &TBase::Field46,
                                                 &TBase::Field47,
                                                 &TBase::Field48,
                                                 &TBase::Field49,
                                                 &TBase::Field50,
                                                 &TBase::Field51,
                                                 &TBase::Field52,
                                                 &TBase::Field53,
                                                 &TBase::Field54,
                                                 &TBase::Field55,
                                                 &TBase::Field56,
                                                 &TBase::Field57,
                                                 &TBase::Field58,
                                                 &TBase::Field59,
                                                 &TBase::Field60,
                                                 &TBase::Field61,
                                                 &TBase::Field62,
                                                 &TBase::Field63,
                                                 &TBase::Author1Note,
                                                 &TBase::Field65,
                                                 &TBase::Field66};

// The readings are stored and written in their half-width form.
bool IsReading(int k) {
  return k == 3 || k == 7 || k == 9;
}

// Comma text quotes an item holding a control character, a space, a quote or a comma; the
// second byte of a double-byte character is never examined.
bool NeedsQuotes(std::string_view item) {
  for (std::size_t i = 0; i < item.size(); ++i) {
    const auto b = static_cast<unsigned char>(item[i]);
    if (b == 0)
      break;
    if (IsLeadByte(b)) {
      ++i;
      continue;
    }
    if (b <= 0x20 || b == '"' || b == ',')
      return true;
  }
  return false;
}

// The field as it can stand in a line that the host reads character by character: up to its
// first NUL byte (a reader of C strings stops there, and with it the rest of the file), and
// without any lead byte that lacks its second byte (one cut off at the end of a field, or one
// followed by a byte below 0x40, which no second byte is). Such a lead byte would take the comma,
// quote or line break after it along and shift every later item. Whole characters pass
// unchanged.
std::string WholeCharacters(std::string_view text) {
  text = UpToNul(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsLeadByte(static_cast<unsigned char>(text[i]))) {
      out += text[i];
    } else if (i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x40) {
      out.append(text, i, 2);
      ++i;
    }
  }
  return out;
}

void AppendCommaItem(std::string& line, std::string_view item) {
  if (!NeedsQuotes(item)) {
    line += item;
    return;
  }
  line += '"';
  for (char c : item) {
    if (c == '"')
      line += '"';
    line += c;
  }
  line += '"';
}

}  // namespace

std::string& TBase::Field(int k) {
  return this->*kFields.at(static_cast<std::size_t>(k - 1));
}

const std::string& TBase::Field(int k) const {
  return this->*kFields.at(static_cast<std::size_t>(k - 1));
}

void ClearBook(TBase& rec) {
  for (FieldMember field : kFields)
    (rec.*field).clear();
}

std::string EscapeItem(std::string_view text) {
  return ReplaceAll(ReplaceAll(ReplaceAll(text, "\r\n", "$$"), "\"", "”"), ",", "，");
}

std::string ToHalfWidth(std::string_view text) {
  return platform::HalfWidthAnsi(text);
}

std::string BuildBookLine(TBase& rec) {
  std::string line;
  for (int k = 1; k <= 66; ++k) {
    // Two fixed empty items stand before fields 20 and 40.
    if (k == 20 || k == 40)
      line += ',';
    std::string& field = rec.Field(k);
    if (IsReading(k))
      field = ToHalfWidth(field);
    if (k > 1)
      line += ',';
    AppendCommaItem(line, EscapeItem(WholeCharacters(field)));
  }
  return line;
}

// --- the host's functions -------------------------------------------------------------------

namespace {

template <typename Fn>
Fn HostFunction(int index) {
  return reinterpret_cast<Fn>(Host.functions[static_cast<std::size_t>(index)]);
}

}  // namespace

bool BindHost() {
  try {
    const std::string path =
        platform::JoinPath(platform::MainExecutableDirectory(), platform::HostExecutableName());
    Host.module = platform::LoadModule(path);
    if (Host.module == nullptr) {
      // Binding goes on: a null module makes the look-ups search the main program.
      platform::ShowErrorBox(path + "がありません。");
    }
    for (std::size_t i = 0; i < kHostFunctionNames.size(); ++i) {
      Host.functions[i] = platform::FindFunction(Host.module, kHostFunctionNames[i]);
      if (Host.functions[i] == nullptr) {
        platform::ShowErrorBox(
            "関数がありません。Bookvane、または、プラグインのバージョンが古い可能性があります。");
        return false;
      }
    }
    return true;
  } catch (...) {
    ReleaseHost();
    return false;
  }
}

void ReleaseHost() {
  if (Host.module != nullptr)
    platform::ReleaseModule(Host.module);
  Host = HostBinding{};
}

bool HostInternetConnect(const std::string& url) {
  // Only the low 8 bits of the host's boolean count.
  return (HostFunction<InternetConnectFn>(0)(url.c_str()) & 0xFF) != 0;
}

void HostDownload(const std::string& path, const std::string& url) {
  HostFunction<HttpDownloadFn>(1)(path.c_str(), url.c_str());
}

std::string HostIsbnCheck(const std::string& isbn) {
  const char* confirmed = HostFunction<IsbnCheckFn>(7)(isbn.c_str());
  return confirmed != nullptr ? std::string(confirmed) : std::string();
}

// --- configuration --------------------------------------------------------------------------

namespace {

// The value of the first "KEY=" line of the option file, or the build-time default.
std::string OptionValue(std::string_view key, std::string_view fallback) {
  const auto lines = ReadTextLines(WorkDir + "tovan.dat");
  if (lines) {
    for (std::string_view line : *lines) {
      line = Trim(line);
      if (line.size() > key.size() && line.substr(0, key.size()) == key &&
          line[key.size()] == '=') {
        return std::string(Trim(line.substr(key.size() + 1)));
      }
    }
  }
  return std::string(fallback);
}

}  // namespace

std::string CatalogueBaseUrl() {
  std::string url = OptionValue("CATALOGUE_URL", VOSTREL_CATALOGUE_URL);
  // The base has no closing slash: every path is appended with its own.
  while (!url.empty() && url.back() == '/')
    url.pop_back();
  return url;
}

std::string NoImageUrl() {
  return OptionValue("NOIMAGE_URL", VOSTREL_NOIMAGE_URL);
}

}  // namespace vostrel
