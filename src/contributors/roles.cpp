#include <algorithm>
#include <array>

#include "contributors/contributors.h"
#include "platform/platform.h"
#include "text/bytes.h"
#include "text/markup.h"

namespace vostrel {

namespace {

// The split mark, the full-width yen sign. The statement's own yen signs become "\" first, so
// only the marks put in for the separator cut it; each segment is then framed by two marks so a
// role word can be anchored at the segment's start ("￥著 ") or end ("著￥").
#define VOSTREL_MARK "\x81\x8F"
constexpr std::string_view kMark = VOSTREL_MARK;

constexpr std::string_view kMiddleDot = "・";

// One role word: the first row, in table order, whose word the segment holds decides the role.
// The word is replaced everywhere in the segment by `replacement`; the entry gets `code` in
// front of the name and `suffix` after it. Rows ending in "［" keep that bracket, so a reading
// right after the role word stays a bracketed reading.
struct RoleRow {
  std::string_view word;
  std::string_view replacement;
  char code;
  std::string_view suffix;
};

// Longer words come before the words they contain (監修他 before 監修, 原作者 before 原作,
// 編・著 and 編著 before every 著), and one-character words are anchored to a segment edge, a
// space or a bracket so they are not taken out of the middle of a name. The digit orders the
// contributor list: 1 authors, 2 source work and illustration, 3 writing and concept,
// 4 supervision, 5 translation, 9 editing and others (0, no role word, goes before all).
constexpr std::array<RoleRow, 52> kRoleTable = {{
    {"著者", "", '1', ""},
    {"編・著", "", '9', "[編・著]"},
    {"編著", "", '9', "[編著]"},
    {VOSTREL_MARK "著 ", "", '1', ""},
    {"著" VOSTREL_MARK, "", '1', ""},
    {"著［", "［", '1', ""},
    {"漫画", "", '1', ""},
    {VOSTREL_MARK "画 ", "", '1', ""},
    {" 画" VOSTREL_MARK, "", '1', ""},
    {"イラスト/作画", "", '2', ""},
    {"作画", "", '1', ""},
    {"小説", "", '1', ""},
    {"(文)", "", '1', ""},
    {"(著)", "", '1', ""},
    {"【著】", "", '1', ""},
    {"画［", "［", '1', ""},
    {"原作者", "", '2', ""},
    {"原作", "", '2', ""},
    {VOSTREL_MARK "作 ", "", '2', ""},
    {" 作" VOSTREL_MARK, "", '2', ""},
    {"作［", "［", '2', ""},
    {"イラスト", "", '2', ""},
    {VOSTREL_MARK "イ ", "", '2', ""},
    {"イ［", "［", '2', ""},
    {"(画)", "", '2', ""},
    {"(絵)", "", '2', ""},
    {"執筆", "", '3', " [執筆]"},
    {"脚本", "", '3', " [脚本]"},
    {"シナリオ", "", '3', " [シナリオ]"},
    {"キャラクター原案", "", '3', " [キャラクター原案]"},
    {"ストーリー原案", "", '3', " [ストーリー原案]"},
    {"原案", "", '3', " [原案]"},
    {VOSTREL_MARK "案 ", "", '3', " [案]"},
    {"案［", "［", '3', " [案]"},
    {"監修他", "", '4', " [監修他]"},
    {"監修", "", '4', " [監修]"},
    {"監訳", "", '4', " [監訳]"},
    {"翻訳", "", '5', " [翻訳]"},
    {VOSTREL_MARK "訳 ", "", '5', " [訳]"},
    {"訳" VOSTREL_MARK, "", '5', " [訳]"},
    {"(訳)", "", '5', " [訳]"},
    {"訳［", "［", '5', " [訳]"},
    {"解説", "", '9', " [解説]"},
    {"責任編集", "", '9', " [責任編集]"},
    {"構成・編集", "", '9', " [構成・編集]"},
    {VOSTREL_MARK "編集 ", "", '9', " [編集]"},
    {"編集" VOSTREL_MARK, "", '9', " [編集]"},
    {VOSTREL_MARK "編 ", "", '9', " [編]"},
    {" 編" VOSTREL_MARK, "", '9', " [編]"},
    {"(編)", "", '9', " [編]"},
    {" 編［", "［", '9', " [編]"},
    {"その他", "", '9', "その他"},
}};

#undef VOSTREL_MARK

// Full-width signs the statement may use, each to the ASCII form or space the role words are
// written with, in this order.
struct Rewrite {
  std::string_view find, replace;
};
constexpr std::array<Rewrite, 8> kStatementRewrites = {{
    {"（", "("},
    {"）", ")"},
    {"！", "!"},
    {"〔", " "},
    {"〕", " "},
    {"：", " "},
    {"／", " "},
    {"　", " "},
}};

// True when `text` ends with the character `suffix`, the match starting on a character boundary
// (a "・" made of the trail byte 0x81 of a kanji and an "E" after it does not count).
bool EndsWithChar(std::string_view text, std::string_view suffix) {
  if (suffix.size() > text.size() || text.substr(text.size() - suffix.size()) != suffix)
    return false;
  const std::size_t start = text.size() - suffix.size();
  std::size_t i = 0;
  while (i < start)
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  return i == start;
}

// Classifies one framed segment, cleans it up and adds its entry to the list.
void AddSegment(std::string segment, ContributorList& list) {
  char code = '0';
  std::string_view suffix;
  for (const RoleRow& row : kRoleTable) {
    // Character search, like the replacement that follows: a role word read across two
    // characters is no role word, and could not be removed from the name anyway.
    if (FindChars(segment, row.word) != std::string_view::npos) {
      segment = ReplaceAll(segment, row.word, row.replacement);
      code = row.code;
      suffix = row.suffix;
      break;
    }
  }

  // "()" is what a removed role word leaves of "(著)" written around it.
  const std::string cleaned = RemoveAll(RemoveAll(segment, kMark), "()");
  std::string_view name = Trim(cleaned);
  if (name.starts_with(kMiddleDot))
    name = TrimLeft(name.substr(kMiddleDot.size()));
  if (EndsWithChar(name, kMiddleDot))
    name = TrimRight(name.substr(0, name.size() - kMiddleDot.size()));
  if (name.empty() || name == "他" || name == "ほか")
    return;

  std::string entry;
  entry.reserve(1 + name.size() + suffix.size());
  entry += code;
  entry += name;
  entry += suffix;
  list.Add(std::move(entry));
}

}  // namespace

bool ContributorList::Add(std::string entry) {
  // An entry equal to a held one under the comparison has the same key.
  std::string key = platform::CollationKey(entry);
  if (!held_.try_emplace(std::move(key), std::move(entry)).second)
    return false;
  stale_ = true;
  return true;
}

const std::vector<std::string>& ContributorList::Entries() const {
  if (stale_) {
    entries_.clear();
    entries_.reserve(held_.size());
    for (const auto& [key, entry] : held_)
      entries_.push_back(entry);
    stale_ = false;
  }
  return entries_;
}

void ParseContributors(std::string_view statement, std::string_view separator,
                       ContributorList& list) {
  std::string text = ReplaceAll(statement, kMark, "\\");
  text = ReplaceAll(text, separator, kMark);
  text += kMark;
  for (const Rewrite& step : kStatementRewrites)
    text = ReplaceAll(text, step.find, step.replace);
  text = StripMarkup(NarrowAlnum(text));

  // Each segment runs up to the next mark; the search goes on after it, so the statement is
  // walked once.
  std::size_t from = 0;
  for (std::size_t at = FindChars(text, kMark); at != std::string_view::npos;
       at = FindChars(text, kMark, from)) {
    std::string segment(kMark);
    segment += Trim(std::string_view(text).substr(from, at - from));
    segment += kMark;
    from = at + kMark.size();
    AddSegment(std::move(segment), list);
  }
}

}  // namespace vostrel
