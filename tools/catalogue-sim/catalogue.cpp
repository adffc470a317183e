#include "catalogue.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>

namespace catalogue_sim {

namespace {

// The rows a book file may fill, and whether a row may stand more than once.
const std::map<std::string, bool, std::less<>> kRowKeys = {
    {"isbn", false},     {"title", false},    {"reading", false},     {"partial", true},
    {"statement", true}, {"edition", false},  {"publication", false}, {"year", false},
    {"extent", false},   {"series", true},    {"note", true},         {"price", false},
    {"language", false}, {"ndc", false},      {"subject", true},      {"heading", true},
    {"cover", false},    {"synopsis", false}, {"intro", false},
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Builds a page line by line; every line ends with a line feed, as the catalogue sends them.
class Page {
 public:
  void Line(std::string_view text) {
    text_ += text;
    text_ += '\n';
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

void PageHead(Page& page, std::string_view title) {
  page.Line("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
  page.Line("<html lang=\"ja\">");
  page.Line("<head>");
  page.Line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">");
  page.Line(std::string("<title>蔵書検索 - ") + std::string(title) + "</title>");
  page.Line("<link rel=\"stylesheet\" type=\"text/css\" href=\"/opac/style.css\">");
  page.Line("</head>");
  page.Line("<body>");
  page.Line("<div id=\"header\">");
  page.Line(
      "<a href=\"/F?func=file&amp;file_name=login&amp;?RN\">トップ</a> | "
      "<a href=\"/F?func=file&amp;file_name=help\">ヘルプ</a>");
  page.Line("</div>");
}

void PageFoot(Page& page) {
  page.Line("<div id=\"footer\">");
  page.Line("<p class=\"system\">蔵書検索システム</p>");
  page.Line("</div>");
  page.Line("</body>");
  page.Line("</html>");
}

// One row of the record table: the label line, then the value line right after it.
void Row(Page& page, std::string_view label, std::string_view value) {
  page.Line("<tr>");
  page.Line(std::string("<th class=\"t-th-label\" nowrap>") + std::string(label) + "</th>");
  page.Line(std::string("<td class=\"t-td-full\" align=\"left\">") + std::string(value) + "</td>");
  page.Line("</tr>");
}

void OptionalRow(Page& page, const Book& book, std::string_view key, std::string_view label) {
  if (book.Has(key))
    Row(page, label, book.Cell(key));
}

void RepeatedRows(Page& page, const Book& book, std::string_view key, std::string_view label) {
  for (const std::string& value : book.Cells(key))
    Row(page, label, value);
}

// The cover block: the comment line, and the picture's line fourteen lines below it.
void CoverBlock(Page& page, const Book& book, std::string_view noImageUrl) {
  std::string cover = book.Cell("cover");
  if (cover == "@noimage")
    cover = std::string(noImageUrl);
  page.Line("<!-- =======  書影 ======= -->");
  page.Line("<div class=\"cover\">");                                        // +1
  page.Line("<table class=\"cover-table\" summary=\"表紙\">");               // +2
  page.Line("<tr>");                                                         // +3
  page.Line("<td class=\"cover-cell\" align=\"center\">");                   // +4
  page.Line("<script type=\"text/javascript\">");                            // +5
  page.Line("<!--");                                                         // +6
  page.Line("var coverIsbn = '" + book.isbn13 + "';");                       // +7
  page.Line("//-->");                                                        // +8
  page.Line("</script>");                                                    // +9
  page.Line("<noscript>表紙画像の拡大にはJavaScriptを使います</noscript>");  // +10
  page.Line("<div class=\"cover-frame\">");                                  // +11
  if (cover.empty()) {
    page.Line("<a href=\"#\">");                                        // +12
    page.Line("<span class=\"cover-caption\">表紙</span>");             // +13
    page.Line("<span class=\"no-cover\">表紙画像はありません</span>");  // +14
  } else {
    page.Line("<a href=\"" + cover + "\" target=\"_blank\">");
    page.Line("<span class=\"cover-caption\">表紙</span>");
    page.Line("<img src=\"" + cover + "\" alt=\"表紙\" width=\"120\" border=\"0\">");
  }
  page.Line("</a>");
  page.Line("</div>");
  page.Line("</td>");
  page.Line("</tr>");
  page.Line("</table>");
  page.Line("</div>");
}

}  // namespace

std::string Book::Cell(std::string_view key) const {
  for (const auto& [k, v] : cells) {
    if (k == key)
      return v;
  }
  return {};
}

std::vector<std::string> Book::Cells(std::string_view key) const {
  std::vector<std::string> out;
  for (const auto& [k, v] : cells) {
    if (k == key)
      out.push_back(v);
  }
  return out;
}

bool Book::Has(std::string_view key) const {
  return std::any_of(cells.begin(), cells.end(),
                     [&](const auto& cell) { return cell.first == key; });
}

char Isbn13CheckDigit(std::string_view twelveDigits) {
  int sum = 0;
  for (std::size_t i = 0; i < 12 && i < twelveDigits.size(); ++i)
    sum += (twelveDigits[i] - '0') * (i % 2 == 0 ? 1 : 3);
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string NormalizeIsbn(std::string_view term) {
  std::string digits;
  for (char c : term) {
    if (c != '-')
      digits += c;
  }
  const auto allDigits = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), IsDigit);
  };
  if (digits.size() == 13 && allDigits(digits))
    return digits;
  if (digits.size() == 10 && allDigits(std::string_view(digits).substr(0, 9)) &&
      (IsDigit(digits[9]) || digits[9] == 'X' || digits[9] == 'x')) {
    std::string isbn13 = "978" + digits.substr(0, 9);
    isbn13 += Isbn13CheckDigit(isbn13);
    return isbn13;
  }
  return {};
}

std::vector<Book> LoadBooks(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().extension() == ".book")
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());

  std::vector<Book> books;
  std::set<std::string> seen;
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
      throw std::runtime_error(file.string() + ": cannot be read");
    Book book;
    book.source = file.filename().string();
    std::string line;
    int number = 0;
    const auto fault = [&](const std::string& what) {
      return std::runtime_error(file.string() + ":" + std::to_string(number) + ": " + what);
    };
    while (std::getline(in, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      if (line.empty() || line[0] == '#')
        continue;
      const std::size_t eq = line.find('=');
      if (eq == std::string::npos)
        throw fault("expected key=value");
      const std::string key = line.substr(0, eq);
      const auto known = kRowKeys.find(key);
      if (known == kRowKeys.end())
        throw fault("unknown key \"" + key + "\"");
      if (!known->second && book.Has(key))
        throw fault("\"" + key + "\" given twice");
      book.cells.emplace_back(key, line.substr(eq + 1));
    }
    const std::string isbn = book.Cell("isbn");
    if (isbn.size() != 13 || !std::all_of(isbn.begin(), isbn.end(), IsDigit) ||
        Isbn13CheckDigit(isbn) != isbn[12])
      throw fault("isbn must be 13 digits with a fitting check digit");
    if (!book.Has("title"))
      throw fault("no title");
    if (!seen.insert(isbn).second)
      throw fault("ISBN " + isbn + " is already another book's");
    book.isbn13 = isbn;
    books.push_back(std::move(book));
  }
  return books;
}

std::string RenderLoginPage(std::string_view base, std::string_view handle, LoginVariant variant) {
  const std::string urlLine = "var url = '" + std::string(base) + "/F/" + std::string(handle) +
                              "?func=file&file_name=login-session';";
  Page page;
  if (variant == LoginVariant::UrlOnFirstLine)
    page.Line(urlLine);
  page.Line("<html>");
  page.Line("<head>");
  page.Line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">");
  page.Line("<title>蔵書検索 - ログイン</title>");
  page.Line("<script type=\"text/javascript\">");
  page.Line("<!--");
  if (variant == LoginVariant::Normal)
    page.Line(urlLine);
  else if (variant == LoginVariant::NoUrlLine)
    page.Line("var next = 'login-session';");
  page.Line("function go() { location = url; }");
  page.Line("//-->");
  page.Line("</script>");
  page.Line("</head>");
  page.Line("<body onload=\"go()\">");
  page.Line("<p>蔵書検索システムに接続しています。しばらくお待ちください。</p>");
  page.Line("<form method=\"post\" name=\"login\" action=\"" + std::string(base) + "/F\">");
  page.Line("<input type=\"hidden\" name=\"func\" value=\"login\">");
  page.Line("</form>");
  page.Line("</body>");
  page.Line("</html>");
  return page.Text();
}

std::string RenderVisitPage(std::string_view base, std::string_view handle, VisitVariant variant) {
  const std::string action = "action=\"" + std::string(base) + "/F/" + std::string(handle) + "\">";
  Page page;
  PageHead(page, "検索");
  page.Line("<div id=\"content\">");
  page.Line("<h1>資料を探す</h1>");
  switch (variant) {
    case VisitVariant::Normal:
      page.Line("<form method=\"get\" name=\"form1\"  " + action);
      break;
    case VisitVariant::NoFormMarker:
      page.Line("<form method=\"get\" name=\"form2\"  " + action);
      break;
    case VisitVariant::OneSpaceMarker:
      page.Line("<form method=\"get\" name=\"form1\" " + action);
      break;
  }
  page.Line("<input type=\"hidden\" name=\"func\" value=\"find-a\">");
  page.Line("<select name=\"find_code\"><option value=\"WTYP\">資料種別</option></select>");
  page.Line("<input type=\"text\" name=\"request\" size=\"40\">");
  page.Line("<select name=\"find_code\"><option value=\"ISBN\">ISBN</option></select>");
  page.Line("<input type=\"text\" name=\"request\" size=\"20\">");
  page.Line("<input type=\"submit\" value=\"検索\">");
  page.Line("</form>");
  page.Line("</div>");
  PageFoot(page);
  return page.Text();
}

std::string RenderSessionExpiredPage() {
  Page page;
  PageHead(page, "エラー");
  page.Line("<div id=\"content\">");
  page.Line(
      "<p class=\"error\">セッションの有効期限が切れました。もう一度ログインしてください。</p>");
  page.Line("</div>");
  PageFoot(page);
  return page.Text();
}

std::string RenderRecordPage(const Book& book, std::string_view noImageUrl) {
  Page page;
  PageHead(page, "詳細表示");
  page.Line("<div id=\"content\">");
  page.Line("<h1>詳細表示</h1>");
  page.Line("<table class=\"t-table-full\" summary=\"書誌詳細\">");
  Row(page, "<b>タイトル</b>", book.Cell("title"));
  OptionalRow(page, book, "reading", "タイトルよみ");
  RepeatedRows(page, book, "partial", "部分タイトル");
  RepeatedRows(page, book, "statement", "責任表示");
  OptionalRow(page, book, "edition", "版");
  OptionalRow(page, book, "publication", "出版事項");
  if (book.Has("year")) {
    // The year cell spreads over three lines; its value is the line with the FN font.
    page.Line("<tr>");
    page.Line("<th class=\"t-th-label\" nowrap>出版年</th>");
    page.Line("<td class=\"t-td-full\" align=\"left\">");
    page.Line("<FONT CLASS=\"FN\">" + book.Cell("year") + "</FONT>");
    page.Line("</td>");
    page.Line("</tr>");
  }
  OptionalRow(page, book, "extent", "形態/付属資料");
  RepeatedRows(page, book, "series", "シリーズ");
  RepeatedRows(page, book, "note", "注記");
  Row(page, "ISBN", book.isbn13);
  OptionalRow(page, book, "price", "価格等");
  Row(page, "本文の言語", book.Has("language") ? book.Cell("language") : "日本語");
  OptionalRow(page, book, "ndc", "NDC分類");
  RepeatedRows(page, book, "subject", "件名");
  RepeatedRows(page, book, "heading", "個人著者標目");
  page.Line("</table>");
  CoverBlock(page, book, noImageUrl);
  if (book.Has("synopsis")) {
    page.Line("<table class=\"t-table-full\" summary=\"内容紹介\">");
    Row(page, "あらすじ", book.Cell("synopsis"));
    page.Line("</table>");
  }
  if (book.Has("intro")) {
    // The introduction stands alone on the line after its heading.
    page.Line("<div class=\"author-intro\">");
    page.Line("<h2>著者紹介</h2>");
    page.Line(book.Cell("intro"));
    page.Line("</div>");
  }
  page.Line("</div>");
  PageFoot(page);
  return page.Text();
}

std::string RenderNoRecordPage(std::string_view searchTerm) {
  Page page;
  PageHead(page, "検索結果");
  page.Line("<div id=\"content\">");
  page.Line("<h1>検索結果</h1>");
  page.Line("<p class=\"result\">ISBN=" + HtmlEscape(searchTerm) +
            " に該当する資料は見つかりませんでした。</p>");
  page.Line("</div>");
  PageFoot(page);
  return page.Text();
}

}  // namespace catalogue_sim
