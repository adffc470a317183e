#include "inputs.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "catalogue/catalogue.h"
#include "contributors/contributors.h"
#include "platform/platform.h"
#include "text/bytes.h"
#include "text/markup.h"

namespace fs = std::filesystem;

namespace vostrel::bench {

namespace {

// A full-record page as the catalogue serves it: navigation, the record table with one row per
// label the scan reads, the cover block (its picture fourteen lines below the cover comment),
// the synopsis and the author introduction, which ends the scan. Indented with tabs and
// carrying entities, as served pages do.
constexpr std::u8string_view kBuiltInPage =
    u8R"(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">
<html lang="ja">
<head>
<meta http-equiv="Content-Type" content="text/html; charset=UTF-8">
<title>蔵書検索 - 詳細表示</title>
<link rel="stylesheet" type="text/css" href="/opac/style/opac.css">
<script type="text/javascript">
<!--
function openWindow(url) { window.open(url, "sub", "width=600,height=400,scrollbars=yes"); }
// -->
</script>
</head>
<body bgcolor="#ffffff">
<div id="header">
	<a href="/F/?func=file&amp;file_name=find-b"><img src="/opac/icon/logo.gif" alt="蔵書検索" border="0"></a>
	<span class="t-navi"><a href="/F/?func=bor-info">利用者情報</a>&nbsp;|&nbsp;<a href="/F/?func=logout">ログアウト</a></span>
</div>
<h1 class="t-h1">詳細表示</h1>
<table class="t-table" cellspacing="2" border="0" summary="書誌詳細">
<tr>
	<td class="t-td-label" nowrap>&nbsp;<b>タイトル</b></td>
	<td class="t-td-full" align="left">星の海 : 航海者たちの記録. 第2巻(北の航路)</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>タイトルよみ</td>
	<td class="t-td-full" align="left">ホシ ノ ウミ : コウカイシャ タチ ノ キロク. ダイ2カン</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>部分タイトル</td>
	<td class="t-td-full" align="left">北の航路 &amp; 南の岬</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>責任表示</td>
	<td class="t-td-full" align="left">星野あかり 著 ; ジョン・スミス [ほか] 訳 ; 山田太郎 解説</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>出版事項</td>
	<td class="t-td-full" align="left">東京 : 青空書房, 2005.3</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>出版年</td>
	<td class="t-td-full" align="left"><FONT CLASS="FN">2005.3</FONT></td>
</tr>
<tr>
	<td class="t-td-label" nowrap>形態/付属資料</td>
	<td class="t-td-full" align="left">232p ; 20cm + 付録CD1枚</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>シリーズ</td>
	<td class="t-td-full" align="left">青空ノベルズ ; 12</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>価格等</td>
	<td class="t-td-full" align="left">1,500円</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>分類:NDC9版</td>
	<td class="t-td-full" align="left">913.6</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>個人著者標目</td>
	<td class="t-td-full" align="left">星野, あかり&nbsp;||ホシノ, アカリ</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>件名</td>
	<td class="t-td-full" align="left"><a href="/F/?func=find-c&amp;ccl_term=SUB%3D%E8%88%AA%E6%B5%B7">航海 -- 小説</a></td>
</tr>
<tr>
	<td class="t-td-label" nowrap>ISBN</td>
	<td class="t-td-full" align="left">978-4-00-000001-9</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>本文の言語</td>
	<td class="t-td-full" align="left">日本語</td>
</tr>
<tr>
	<td class="t-td-label" nowrap>所蔵</td>
	<td class="t-td-full" align="left"><a href="/F/?func=item-global&amp;doc_library=LIB01&amp;doc_number=000123456">所蔵一覧 (2冊)</a></td>
</tr>
</table>
<!-- =======  書影 ======= -->
<div class="t-cover">
<table summary="書影" border="0">
<tr>
<td class="t-cover-cell" valign="top">
<!-- 表紙の画像は書店の画像サーバから -->
<noscript>表紙画像を表示するにはスクリプトを有効にしてください</noscript>
<script type="text/javascript">
<!--
var coverIsbn = "9784000000019";
// -->
</script>
<a href="https://img.example.jp/detail/9784000000019" target="_blank">
<span class="t-cover-frame">
<img src="https://img.example.jp/covers/9784000000019.jpg" alt="書影" width="120" border="0">
</span>
</a>
</td>
</tr>
</table>
</div>
<div class="t-summary">
<table summary="内容">
<tr>
	<td class="t-td-label" nowrap>あらすじ</td>
	<td class="t-td-full" align="left">北の海を渡る船乗りたちの記録、その第2巻。<br>凍てつく航路で彼らが見た&quot;光&quot;とは何だったのか。<br>シリーズ累計10万部の航海記、待望の続編。</td>
</tr>
</table>
</div>
<div class="t-author">
<h2>著者紹介</h2>
<p>1970年、北海道生まれ。<br>海洋冒険小説で知られる。著書に『風の港』ほか。</p>
</div>
<div id="footer">
	<a href="/F/?func=file&amp;file_name=help">ヘルプ</a>&nbsp;|&nbsp;<a href="/F/?func=logout">ログアウト</a>
</div>
</body>
</html>
)";

std::string ReadBinary(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The sample catalogue's rendered page: the one named by VOSTREL_BENCH_PAGE, or the largest.
BasePage LoadBasePage() {
  if (const char* named = std::getenv("VOSTREL_BENCH_PAGE"); named != nullptr && *named != '\0')
    return {ReadBinary(named), named};
  const fs::path dir = fs::path(VOSTREL_FIXTURES) / "pages";
  std::error_code ec;
  fs::path best;
  std::uintmax_t bestSize = 0;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".html")
      continue;
    if (entry.file_size() > bestSize) {
      bestSize = entry.file_size();
      best = entry.path();
    }
  }
  if (!best.empty())
    return {ReadBinary(best), "tests/fixtures/pages/" + best.filename().string()};
  return {Utf8(kBuiltInPage), "built-in page"};
}

// The page split at LF (a CR before it stays with the line), each line with its LF.
std::vector<std::string_view> LinesWithBreaks(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::size_t FirstLineWith(const std::vector<std::string_view>& lines, std::string_view label,
                          std::size_t fallback) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find(label) != std::string_view::npos)
      return i;
  }
  return fallback;
}

// Head, repeated rows and tail of the page.
struct PageParts {
  std::string head, rows, tail;
};

PageParts SplitPage(std::string_view page) {
  const auto lines = LinesWithBreaks(page);
  const std::size_t first = FirstLineWith(lines, Utf8(u8"<b>タイトル</b>"), 0);
  const std::size_t last = FirstLineWith(lines, Utf8(u8"<h2>著者紹介</h2>"), lines.size());
  PageParts parts;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string& part = i < first                   ? parts.head
                        : i < std::max(first, last) ? parts.rows
                                                    : parts.tail;
    part += lines[i];
  }
  return parts;
}

// Cleans a responsibility-statement cell the way the scan does before the contributor rules.
std::string CleanStatement(std::string_view cell) {
  std::string t = RemoveAll(cell, "\t");
  t = RemoveAll(t, "\r\n");
  t = StripMarkup(t);
  t = RemoveAll(t, " ");
  t = RemoveAll(t, "　");
  t = RemoveAll(t, ".");
  return ReplaceAll(t, ";", "／");
}

// Names for the dictionary and for statements with many contributors.
constexpr const char* kFamilyNames[] = {
    "佐藤",     "鈴木",   "高橋",     "田中",     "伊藤",       "渡辺",   "山本",
    "中村",     "小林",   "加藤",     "吉田",     "山田",       "佐々木", "山口",
    "松本",     "井上",   "木村",     "林",       "斎藤",       "清水",   "コリンズ",
    "ブラウン", "ミラー", "ガルシア", "マルタン", "シュミット", "ロッシ", "ノヴァク"};
constexpr const char* kGivenNames[] = {
    "一郎", "花子",   "健太",     "美咲",     "翔",     "陽菜",     "大輔",   "さくら", "拓海",
    "結衣", "ジョン", "メアリー", "ピエール", "アンナ", "ルーシー", "カール", "エマ",   "ニコラ"};
constexpr const char* kReadings[] = {"サトウ", "スズキ",   "タカハシ", "タナカ",
                                     "イトウ", "ワタナベ", "ヤマモト", "ナカムラ"};

// A name of its own for every number: family and given name, and a generation mark when the
// pairs run out.
std::string NumberedName(std::size_t i) {
  constexpr std::size_t families = std::size(kFamilyNames);
  constexpr std::size_t givens = std::size(kGivenNames);
  std::string name = kFamilyNames[i % families];
  name += kGivenNames[(i / families) % givens];
  if (const std::size_t generation = i / (families * givens); generation > 0)
    name += "・" + std::to_string(generation);
  return name;
}

}  // namespace

const BasePage& RecordPage() {
  static const BasePage page = LoadBasePage();
  return page;
}

std::string ScaledPage(std::size_t bytes) {
  const PageParts parts = SplitPage(RecordPage().text);
  const std::size_t fixed = parts.head.size() + parts.tail.size();
  std::size_t copies = 1;
  if (!parts.rows.empty() && bytes > fixed + parts.rows.size())
    copies = (bytes - fixed + parts.rows.size() / 2) / parts.rows.size();
  std::string page;
  page.reserve(fixed + copies * parts.rows.size());
  page += parts.head;
  for (std::size_t i = 0; i < copies; ++i)
    page += parts.rows;
  page += parts.tail;
  return page;
}

std::string PageWithLongLine(std::size_t bytes) {
  const std::string& base = RecordPage().text;
  const auto lines = LinesWithBreaks(base);
  const std::size_t label = FirstLineWith(lines, Utf8(u8">あらすじ<"), lines.size());
  const std::string sentence =
      Utf8(u8"凍てつく航路で彼らが見た&quot;光&quot;とは何だったのか。<br>Voyage, 1,500 km.<br>");
  std::string cell = Utf8(u8"\t<td class=\"t-td-full\" align=\"left\">");
  while (cell.size() < bytes)
    cell += sentence;
  cell += "</td>\n";
  std::string page;
  page.reserve(base.size() + cell.size());
  if (label + 1 < lines.size()) {
    for (std::size_t i = 0; i < lines.size(); ++i)
      page += i == label + 1 ? std::string_view(cell) : lines[i];
  } else {
    // A page without a synopsis row gets one in front of its last line.
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
      page += lines[i];
    page += Utf8(u8"\t<td class=\"t-td-label\" nowrap>あらすじ</td>\n") + cell;
    if (!lines.empty())
      page += lines.back();
  }
  return page;
}

std::string JoinedCrLf(std::string_view utf8Page) {
  return JoinLinesCrLf(SplitLines(utf8Page));
}

std::string DecodedPage(std::string_view utf8Page) {
  return Utf8ToAnsi(JoinedCrLf(utf8Page));
}

std::string OneLine(std::string_view text) {
  std::string line(text);
  std::replace(line.begin(), line.end(), '\r', ' ');
  std::replace(line.begin(), line.end(), '\n', ' ');
  return line;
}

std::string PageStatement() {
  const std::string page = DecodedPage(RecordPage().text);
  const std::vector<std::string_view> lines = SplitLines(page);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (Contains(lines[i], "責任表示"))
      return CleanStatement(lines[i + 1]);
  }
  return {};
}

std::string Statement(std::size_t bytes, bool distinct) {
  const std::string page = PageStatement();
  std::string statement = page;
  for (std::size_t i = 0; statement.size() < bytes; ++i) {
    statement += "／";
    if (distinct) {
      statement += NumberedName(i);
      statement += i % 3 == 0 ? "訳" : i % 3 == 1 ? "編" : "著";
    } else {
      statement += page;
    }
  }
  return statement;
}

std::string PageFirstAuthor() {
  ContributorList list;
  ParseContributors(PageStatement(), "／", list);
  if (list.Entries().empty())
    return {};
  // The entry without its role digit, cut before a bracketed reading.
  std::string_view name = std::string_view(list.Entries().front()).substr(1);
  if (const std::size_t bracket = FindBytes(name, "［"); bracket != std::string_view::npos)
    name = name.substr(0, bracket);
  return std::string(name);
}

std::string AuthorDictionary(std::size_t lines) {
  std::string text;
  text.reserve(lines * 56);
  auto addLine = [&text](std::string_view name, std::string_view reading, std::string_view note) {
    text += "|";
    text += DictionaryKey(name);
    text += "|";
    text += name;
    text += "|";
    text += reading;
    text += "|";
    text += note;
    text += "|\r\n";
  };
  // The numbered names are made of common family and given names; the benchmarks check that
  // the page's first author is found at the end, which a numbered name equal to it would spoil.
  for (std::size_t i = 0; i + 1 < lines; ++i) {
    addLine(NumberedName(i), kReadings[i % std::size(kReadings)],
            i % 5 == 0 ? "翻訳家" : std::string_view());
  }
  if (lines > 0)
    addLine(PageFirstAuthor(), kDictionaryReading, kDictionaryNote);
  return text;
}

std::string PublisherDictionary() {
  std::string text;
  for (int code = 0; code < 2000; ++code) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%0*d", code < 100 ? 2 : code < 1000 ? 3 : 4, code);
    text += "|";
    text += digits;
    text += "|";
    text += code == 0 ? "青空書房" : NumberedName(static_cast<std::size_t>(code)) + "出版";
    text += "\r\n";
  }
  return text;
}

std::string LabelDictionary() {
  std::string text;
  for (std::size_t i = 0; i < 500; ++i) {
    text += "|" + NumberedName(i) + "出版|" +
            DictionaryKey(kGivenNames[i % std::size(kGivenNames)]) + "|" +
            kGivenNames[i % std::size(kGivenNames)] + "文庫\r\n";
  }
  text += "|青空書房|" + DictionaryKey("青空ノベルズ;12") + "|青空ノベルズ\r\n";
  return text;
}

void WriteDictionaries(const std::string& directory, std::size_t authorLines) {
  platform::WriteWholeFile(directory + "AuthDB.dat", AuthorDictionary(authorLines));
  platform::WriteWholeFile(directory + "PubDB.dat", PublisherDictionary());
  platform::WriteWholeFile(directory + "LabelsDB.dat", LabelDictionary());
}

ScratchDir::ScratchDir() {
  static int serial = 0;
  const fs::path dir = fs::temp_directory_path() / ("vostrel-bench-" + std::to_string(getpid()) +
                                                    "-" + std::to_string(serial++));
  fs::remove_all(dir);
  fs::create_directories(dir);
  path_ = dir.string() + "/";
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

}  // namespace vostrel::bench
