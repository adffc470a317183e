// A look-up plug-in of our own for the command-line tests: its entry has another name than the
// real plug-in's, it notes the arguments it was given, and it "finds" every 13-digit ISBN as
// the same sample book.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Fill(char* buffer, const char* text, std::uint32_t size) {
  const std::size_t n = std::min<std::size_t>(std::strlen(text), size - 1);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
}

// One record line: 68 items, code page 932 (this file is compiled to it).
std::string SampleLine(const std::string& isbn) {
  std::vector<std::string> items(68);
  items[0] = isbn;
  items[1] = "本の話";
  items[2] = "ﾎﾝﾉﾊﾅｼ";
  items[3] = "続編";
  items[4] = "2";
  items[5] = "山田太郎";
  items[6] = "\"ﾔﾏﾀﾞ ﾀﾛｳ\"";
  items[7] = "Jane Roe";
  items[12] = "青空書房";
  items[15] = "19cm";
  items[21] = "1500";
  items[25] = "2005";
  items[26] = "3";
  items[35] = "320";
  items[36] = "\"一行目$$二行目， ”引用”\"";
  std::string line;
  for (std::size_t i = 0; i < items.size(); ++i)
    line += (i > 0 ? "," : "") + items[i];
  return line;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void funcGetInfo(std::uint32_t, char* entry,
                                                                   char* title, char* credit,
                                                                   char* version, char* kind,
                                                                   std::uint32_t size) {
  Fill(entry, "FakeLookup", size);
  Fill(title, "試験用", size);
  Fill(credit, "tests", size);
  Fill(version, "0.1", size);
  Fill(kind, "3", size);
}

extern "C" __attribute__((visibility("default"))) void FakeLookup(const char* workDir,
                                                                  const char* outputPath,
                                                                  const char* isbnList) {
  const std::string dir = workDir;
  std::ofstream(dir + "arguments.txt", std::ios::binary) << dir << "\n"
                                                         << outputPath << "\n"
                                                         << isbnList;
  std::ofstream out(outputPath, std::ios::binary);
  const std::string list = isbnList;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find("\r\n", start);
    if (end == std::string::npos)
      end = list.size();
    const std::string isbn = list.substr(start, end - start);
    if (isbn.size() == 13)
      out << SampleLine(isbn) << "\r\n";
    start = end + 2;
  }
}
