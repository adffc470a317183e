// zelkon's command line: load a look-up plug-in, ask what it is, run it over ISBNs and show the
// books it found.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "host.h"
#include "records.h"

namespace {

using namespace vostrel::host;

constexpr int kDone = 0;
constexpr int kBadArguments = 2;
constexpr int kPluginNotLoadable = 3;
constexpr int kNoOutputFile = 4;

constexpr const char* kUsage =
    R"(Usage:
  zelkon lookup [OPTIONS] ISBN...
  zelkon lookup [OPTIONS] --list FILE
  zelkon info [--plugin PATH]
  zelkon help

lookup runs the plug-in's look-up over the ISBNs (or the lines of FILE), then shows the
books of its output file as a table and a summary line ("N found, M not found").

Options:
  --plugin PATH          the plug-in module (default: %s beside zelkon)
  --workdir DIR          the work directory handed to the plug-in, where it finds its
                         dictionaries and tovan.dat and leaves its work files (default: a new
                         directory under the system's temporary directory)
  --out FILE             the output file (default: output.txt in the work directory)
  --list FILE            the ISBNs, one per line (blank lines are left out)
  --cacert FILE          trust this certificate authority (PEM) besides the system's; on
                         Windows it is added to the current user's Root store
  --connect-timeout SEC  connection time-out of each download (default 10)
  --timeout SEC          time limit of each whole download (default 30)
  --observe-messages     Windows: write each message box of the plug-in to standard error as
                         one line, as the POSIX build does, and dismiss it (accepted and
                         without effect on POSIX, where messages go to standard error anyway)
  --message-log FILE     with --observe-messages: append a detail line per box to FILE

Standard output carries zelkon's report (UTF-8); standard error the plug-in's messages.
Exit status: 0 done, 1 another failure, 2 bad arguments, 3 plug-in not loadable, 4 the run
wrote no output file.
)";

using GetInfoFn = void(ZELKON_STDCALL*)(std::uint32_t, char*, char*, char*, char*, char*,
                                        std::uint32_t);
using LookupFn = void(ZELKON_STDCALL*)(const char*, const char*, const char*);

struct UsageError {
  std::string message;
};

struct Options {
  std::string command;
  std::string plugin, workdir, out, list, cacert, messageLog;
  std::optional<long> connectTimeoutMs, timeoutMs;
  bool observeMessages = false;
  std::vector<std::string> isbns;
};

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintError(const std::string& text) {
  const std::string line = "zelkon: " + text + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

long Seconds(const std::string& option, const std::string& value) {
  std::size_t used = 0;
  double seconds = 0;
  try {
    seconds = std::stod(value, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != value.size() || !(seconds > 0) || seconds > 86400)
    throw UsageError{option + " wants a number of seconds, not '" + value + "'"};
  return static_cast<long>(seconds * 1000);
}

Options Parse(int argc, char** argv) {
  if (argc < 2)
    throw UsageError{"no command given"};
  Options o;
  o.command = argv[1];
  if (o.command == "help" || o.command == "--help" || o.command == "-h")
    return o;
  if (o.command != "lookup" && o.command != "info")
    throw UsageError{"unknown command '" + o.command + "'"};

  bool optionsEnded = false;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      if (o.command != "lookup" || (!optionsEnded && arg.size() > 1 && arg[0] == '-'))
        throw UsageError{"unexpected argument '" + arg + "'"};
      o.isbns.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::optional<std::string> inlineValue;
    if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg.resize(eq);
    }
    const auto value = [&]() -> std::string {
      std::string v;
      if (inlineValue)
        v = *inlineValue;
      else if (i + 1 < argc)
        v = argv[++i];
      if (v.empty())
        throw UsageError{arg + " wants a value"};
      return v;
    };
    const bool lookup = o.command == "lookup";
    if (arg == "--plugin") {
      o.plugin = value();
    } else if (lookup && arg == "--workdir") {
      o.workdir = value();
    } else if (lookup && arg == "--out") {
      o.out = value();
    } else if (lookup && arg == "--list") {
      o.list = value();
    } else if (lookup && arg == "--cacert") {
      o.cacert = value();
    } else if (lookup && arg == "--connect-timeout") {
      o.connectTimeoutMs = Seconds(arg, value());
    } else if (lookup && arg == "--timeout") {
      o.timeoutMs = Seconds(arg, value());
    } else if (lookup && arg == "--message-log") {
      o.messageLog = value();
    } else if (lookup && arg == "--observe-messages" && !inlineValue) {
      o.observeMessages = true;
    } else {
      throw UsageError{"unknown option '" + arg + "'"};
    }
  }
  if (o.command == "lookup") {
    if (o.isbns.empty() == o.list.empty())
      throw UsageError{"give either ISBNs or --list FILE"};
    if (!o.messageLog.empty() && !o.observeMessages)
      throw UsageError{"--message-log needs --observe-messages"};
  }
  return o;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n')
      continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      ++i;
    start = i + 1;
  }
  if (start < text.size())
    lines.emplace_back(text.substr(start));
  return lines;
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return std::move(content).str();
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  return s;
}

struct Plugin {
  void* module = nullptr;
  GetInfoFn getInfo = nullptr;
};

// Loads the plug-in and finds its identity export; nullopt after saying why.
std::optional<Plugin> OpenPlugin(const Options& o) {
  const std::string path = !o.plugin.empty() ? o.plugin
                                             : ExecutableDirectory() + PathSeparator() +
                                                   std::string(DefaultPluginName());
  Plugin plugin;
  std::string error;
  plugin.module = LoadPlugin(path, error);
  if (plugin.module == nullptr) {
    PrintError("cannot load the plug-in " + PathForDisplay(path) + ": " + PathForDisplay(error));
    return std::nullopt;
  }
  plugin.getInfo = reinterpret_cast<GetInfoFn>(PluginFunction(plugin.module, "funcGetInfo"));
  if (plugin.getInfo == nullptr) {
    PrintError(PathForDisplay(path) + " exports no funcGetInfo");
    return std::nullopt;
  }
  return plugin;
}

struct Identity {
  std::string entry, title, credit, version, kind;  // code page 932
};

Identity AskIdentity(const Plugin& plugin) {
  constexpr std::uint32_t kSize = 256;
  std::vector<std::vector<char>> buffers(5, std::vector<char>(kSize, '\0'));
  plugin.getInfo(0, buffers[0].data(), buffers[1].data(), buffers[2].data(), buffers[3].data(),
                 buffers[4].data(), kSize);
  for (auto& b : buffers)
    b.back() = '\0';
  return {buffers[0].data(), buffers[1].data(), buffers[2].data(), buffers[3].data(),
          buffers[4].data()};
}

int Info(const Options& o) {
  const auto plugin = OpenPlugin(o);
  if (!plugin)
    return kPluginNotLoadable;
  const Identity id = AskIdentity(*plugin);
  Print("entry:   " + Cp932ToUtf8(id.entry) + "\n" + "title:   " + Cp932ToUtf8(id.title) + "\n" +
        "credit:  " + Cp932ToUtf8(id.credit) + "\n" + "version: " + Cp932ToUtf8(id.version) + "\n" +
        "kind:    " + Cp932ToUtf8(id.kind) + "\n");
  return kDone;
}

int Lookup(const Options& o) {
  // The ISBN list as the plug-in takes it: lines joined with CR LF.
  std::vector<std::string> isbns = o.isbns;
  if (!o.list.empty()) {
    const auto text = ReadFile(o.list);
    if (!text)
      throw UsageError{"cannot read the list " + PathForDisplay(o.list)};
    std::string_view body = *text;
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
      body.remove_prefix(3);
    for (const std::string& line : SplitLines(body)) {
      const std::string_view isbn = TrimBlanks(line);
      if (!isbn.empty())
        isbns.emplace_back(isbn);
    }
    // An empty list still goes to the plug-in, which tells the user it found no ISBN.
  }
  std::string isbnList;
  for (std::size_t i = 0; i < isbns.size(); ++i)
    isbnList += (i > 0 ? "\r\n" : "") + isbns[i];

  DownloadSettings settings;
  if (o.connectTimeoutMs)
    settings.connectTimeoutMs = *o.connectTimeoutMs;
  if (o.timeoutMs)
    settings.totalTimeoutMs = *o.timeoutMs;
  settings.caFile = o.cacert;
  try {
    Configure(settings);
  } catch (const std::exception& e) {
    throw UsageError{PathForDisplay(e.what())};
  }

  std::string workdir = o.workdir;
  if (workdir.empty()) {
    workdir = MakeTemporaryDirectory();
  } else {
    if (!IsDirectory(workdir))
      throw UsageError{"the work directory " + PathForDisplay(workdir) + " does not exist"};
  }
  if (!EndsWithSeparator(workdir))
    workdir += PathSeparator();
  const std::string out = !o.out.empty() ? o.out : workdir + "output.txt";

  const auto plugin = OpenPlugin(o);
  if (!plugin)
    return kPluginNotLoadable;
  const Identity id = AskIdentity(*plugin);
  const auto lookup = reinterpret_cast<LookupFn>(PluginFunction(plugin->module, id.entry.c_str()));
  if (lookup == nullptr) {
    PrintError("the plug-in names its look-up '" + Cp932ToUtf8(id.entry) +
               "', which it does not export");
    return kPluginNotLoadable;
  }

  Print("work directory: " + PathForDisplay(workdir) + "\n" + "output: " + PathForDisplay(out) +
        "\n");
  std::fflush(stdout);
  // Only what this run writes may count as its output.
  std::remove(out.c_str());
  if (o.observeMessages)
    ObserveMessages(o.messageLog);

  lookup(workdir.c_str(), out.c_str(), isbnList.c_str());

  const auto output = ReadFile(out);
  if (!output) {
    PrintError("the run wrote no output file");
    return kNoOutputFile;
  }
  std::vector<BookRow> rows;
  std::multiset<std::string> found;
  for (const std::string& line : SplitLines(*output)) {
    const std::vector<std::string> items = CommaItems(line);
    rows.push_back(RowOf(items));
    found.insert(items.front());
  }
  std::vector<std::string> missing;
  for (const std::string& isbn : isbns) {
    const auto hit = found.find(RecordIsbn(isbn));
    if (hit != found.end())
      found.erase(hit);
    else
      missing.push_back(isbn);
  }
  if (!rows.empty())
    Print(FormatTable(rows));
  std::string summary =
      std::to_string(rows.size()) + " found, " + std::to_string(missing.size()) + " not found";
  if (!missing.empty()) {
    summary += ":";
    for (const std::string& isbn : missing)
      summary += " " + PathForDisplay(isbn);
  }
  Print(summary + "\n");
  return kDone;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareConsole();
  try {
    const Options o = Parse(argc, argv);
    if (o.command == "lookup")
      return Lookup(o);
    if (o.command == "info")
      return Info(o);
    std::string usage = kUsage;
    usage.replace(usage.find("%s"), 2, DefaultPluginName());
    Print(usage);
    return kDone;
  } catch (const UsageError& e) {
    PrintError(e.message);
    PrintError("run 'zelkon help' for the usage");
    return kBadArguments;
  } catch (const std::exception& e) {
    PrintError(e.what());
    return 1;
  }
}
