// catalogue-sim: the sample catalogue server.
//
// Serves the catalogue's exchange on loopback: the login page with a fresh visit handle, the
// visit page with the search form, and the ISBN search answering with a book's full-record
// page in UTF-8. The first line on standard output is the base URL it serves; it then serves
// until it is killed or --max-seconds have passed. Switches make any step fail in the ways a
// real catalogue or network can. kUsage below describes the command line.
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "catalogue.h"
#include "server.h"

namespace catalogue_sim {
namespace {

constexpr std::string_view kLoginQuery = "func=file&file_name=login&?RN";
constexpr std::string_view kVisitQuery = "func=file&=&file_name=login ?RN&pds_handle=";
constexpr std::string_view kSearchQuery =
    "func=find-a&find_code=WTYP&request=&request_op=AND&request=&request_op=AND&find_code=ISBN&"
    "request=";

const char* const kUsage = R"(usage:
  catalogue-sim [options]                 serve the sample catalogue
  catalogue-sim --render-fixtures DIR     write each book's record page to DIR/<isbn13>.html

options:
  --port N              port to listen on (0, the default, picks a free one)
  --bind ADDR           address to listen on (default 127.0.0.1)
  --host NAME           host name of the printed base URL and of the pages' links
                        (default localhost)
  --tls CERT KEY        serve HTTPS with this certificate and private key (PEM files)
  --books DIR           the sample books (default: the books folder beside the sources)
  --max-seconds S       stop after S seconds (default: serve until killed)
  --log FILE            append one line per request: number, step, status, target
  --quiet               no request lines on standard error
faults (each may be given several times):
  --fault STEP=KIND[:ARG][#K]
                        STEP is login, visit or search; with #K only the K-th request of
                        that step (counted from 1) fails, otherwise every one. KIND:
                          status[:CODE]  answer with HTTP status CODE (default 500)
                          slow[:SECONDS] answer only after SECONDS (default 30)
                          drop           break the connection off just before the end of the
                                         body (every marker and row has come)
                          empty          answer 200 with an empty body
                          nomarker       login: no "var url = " line;
                                         visit: no search form marker
                          firstline      login: the "var url = " line is the first line
                          onespace       visit: one space instead of two in the form marker
                          badutf8        search: a byte that cannot begin a UTF-8 sequence
  --fail-after N[:CODE] every request after the N-th answers HTTP CODE (default 503)
  --offline-after N     stop listening once the N-th request is answered (connections are
                        refused from then on)
  --offline             print a base URL whose port nobody listens on, then wait
control requests (not counted, never failed):
  /__sim/fault?rule=STEP=KIND...   add a fault;  /__sim/reset   drop faults and counters
  /__sim/log                        the request lines so far
)";

enum class Step { Login, Visit, Search, Other };
constexpr const char* kStepNames[] = {"login", "visit", "search", "other"};

enum class Kind { Status, Slow, Drop, Empty, NoMarker, FirstLine, OneSpace, BadUtf8 };

struct Fault {
  Step step = Step::Login;
  Kind kind = Kind::Status;
  int arg = 0;
  int occurrence = 0;  // 0: every request of the step
};

struct Options {
  int port = 0;
  std::string bind = "127.0.0.1";
  std::string host = "localhost";
  std::optional<std::pair<std::string, std::string>> tls;
  std::filesystem::path books = CATALOGUE_SIM_BOOKS;
  int maxSeconds = 0;
  std::string logPath;
  bool quiet = false;
  std::vector<Fault> faults;
  int failAfter = -1;
  int failStatus = 503;
  int offlineAfter = -1;
  bool offline = false;
  std::string renderFixtures;
};

// A command-line or control-request argument that cannot be used.
class BadArgument : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

[[noreturn]] void UsageError(const std::string& what) {
  throw BadArgument(what);
}

int ParseNumber(std::string_view text, const std::string& what) {
  if (text.empty() || text.size() > 9)
    UsageError("bad number for " + what + ": \"" + std::string(text) + "\"");
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      UsageError("bad number for " + what + ": \"" + std::string(text) + "\"");
    value = value * 10 + (c - '0');
  }
  return value;
}

// STEP=KIND[:ARG][#K]
Fault ParseFault(std::string_view rule) {
  Fault fault;
  const std::size_t eq = rule.find('=');
  if (eq == std::string_view::npos)
    UsageError("fault \"" + std::string(rule) + "\" lacks STEP=");
  const std::string_view step = rule.substr(0, eq);
  std::string_view rest = rule.substr(eq + 1);
  if (step == "login")
    fault.step = Step::Login;
  else if (step == "visit")
    fault.step = Step::Visit;
  else if (step == "search")
    fault.step = Step::Search;
  else
    UsageError("unknown step \"" + std::string(step) + "\"");

  if (const std::size_t hash = rest.find('#'); hash != std::string_view::npos) {
    fault.occurrence = ParseNumber(rest.substr(hash + 1), "#K");
    if (fault.occurrence < 1)
      UsageError("#K counts from 1");
    rest = rest.substr(0, hash);
  }
  std::string_view arg;
  if (const std::size_t colon = rest.find(':'); colon != std::string_view::npos) {
    arg = rest.substr(colon + 1);
    rest = rest.substr(0, colon);
  }
  const auto noArg = [&] {
    if (!arg.empty())
      UsageError("fault kind \"" + std::string(rest) + "\" takes no argument");
  };
  const auto only = [&](Step s) {
    if (fault.step != s)
      UsageError("fault kind \"" + std::string(rest) + "\" does not apply to step \"" +
                 std::string(step) + "\"");
  };
  if (rest == "status") {
    fault.kind = Kind::Status;
    fault.arg = arg.empty() ? 500 : ParseNumber(arg, "status");
    if (fault.arg < 100 || fault.arg > 599)
      UsageError("status must be 100-599");
  } else if (rest == "slow") {
    fault.kind = Kind::Slow;
    fault.arg = arg.empty() ? 30 : ParseNumber(arg, "slow");
  } else if (rest == "drop") {
    noArg();
    fault.kind = Kind::Drop;
  } else if (rest == "empty") {
    noArg();
    fault.kind = Kind::Empty;
  } else if (rest == "nomarker") {
    noArg();
    if (fault.step == Step::Search)
      UsageError("nomarker applies to login and visit");
    fault.kind = Kind::NoMarker;
  } else if (rest == "firstline") {
    noArg();
    only(Step::Login);
    fault.kind = Kind::FirstLine;
  } else if (rest == "onespace") {
    noArg();
    only(Step::Visit);
    fault.kind = Kind::OneSpace;
  } else if (rest == "badutf8") {
    noArg();
    only(Step::Search);
    fault.kind = Kind::BadUtf8;
  } else {
    UsageError("unknown fault kind \"" + std::string(rest) + "\"");
  }
  return fault;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  const auto value = [&](int& i) -> std::string {
    if (i + 1 >= argc)
      UsageError(std::string(argv[i]) + " needs a value");
    return argv[++i];
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--port") {
      options.port = ParseNumber(value(i), "--port");
    } else if (arg == "--bind") {
      options.bind = value(i);
    } else if (arg == "--host") {
      options.host = value(i);
    } else if (arg == "--tls") {
      std::string cert = value(i);
      std::string key = value(i);
      options.tls = std::make_pair(cert, key);
    } else if (arg == "--books") {
      options.books = value(i);
    } else if (arg == "--max-seconds") {
      options.maxSeconds = ParseNumber(value(i), "--max-seconds");
    } else if (arg == "--log") {
      options.logPath = value(i);
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--fault") {
      options.faults.push_back(ParseFault(value(i)));
    } else if (arg == "--fail-after") {
      const std::string rule = value(i);
      const std::size_t colon = rule.find(':');
      options.failAfter = ParseNumber(rule.substr(0, colon), "--fail-after");
      if (colon != std::string::npos)
        options.failStatus = ParseNumber(rule.substr(colon + 1), "--fail-after status");
    } else if (arg == "--offline-after") {
      options.offlineAfter = ParseNumber(value(i), "--offline-after");
    } else if (arg == "--offline") {
      options.offline = true;
    } else if (arg == "--render-fixtures") {
      options.renderFixtures = value(i);
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      std::exit(0);
    } else {
      UsageError("unknown argument \"" + arg + "\"");
    }
  }
  return options;
}

// %XX escapes decoded; everything else as it stands ("+" stays "+": the catalogue's queries
// carry no form-encoded spaces).
std::string PercentDecode(std::string_view text) {
  std::string out;
  const auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9')
      return c - '0';
    if (c >= 'A' && c <= 'F')
      return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
      return c - 'a' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string NewHandle(std::mt19937_64& random) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
  std::uniform_int_distribution<int> number(0, 99999);
  std::string handle;
  for (int i = 0; i < 44; ++i)
    handle += kChars[pick(random)];
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, "-%05d", number(random));
  return handle + suffix;
}

std::atomic<bool> g_terminate{false};

extern "C" void OnSignal(int) {
  g_terminate = true;
}

// What one request asks for, from its raw target.
struct Route {
  Step step = Step::Other;
  std::string handle;  // visit and search
  std::string isbn;    // search
};

Route RouteOf(std::string_view target) {
  Route route;
  const std::size_t question = target.find('?');
  const std::string path = PercentDecode(target.substr(0, question));
  // Clients differ in what they escape; the queries are compared decoded.
  const std::string query = question == std::string_view::npos
                                ? std::string()
                                : PercentDecode(target.substr(question + 1));
  if (path == "/F" && query == kLoginQuery) {
    route.step = Step::Login;
  } else if (path.size() > 3 && path.compare(0, 3, "/F/") == 0 &&
             path.find('/', 3) == std::string::npos) {
    if (query == kVisitQuery) {
      route.step = Step::Visit;
      route.handle = path.substr(3);
    } else if (query.compare(0, kSearchQuery.size(), kSearchQuery) == 0) {
      route.step = Step::Search;
      route.handle = path.substr(3);
      route.isbn = query.substr(kSearchQuery.size());
    }
  }
  return route;
}

// Sleeps, waking early when the server is told to end.
void Pause(int seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!g_terminate && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// The catalogue's state across requests: its books, the handles it gave out, the faults it
// is told to show and the request counters.
class Catalogue {
 public:
  Catalogue(const Options& options, std::vector<Book> books, std::string base)
      : options_(options),
        books_(std::move(books)),
        base_(std::move(base)),
        faults_(options.faults),
        random_(std::random_device{}()) {
    if (!options_.logPath.empty()) {
      log_.open(options_.logPath, std::ios::app);
      if (!log_)
        throw std::runtime_error("cannot open log " + options_.logPath);
    }
  }

  void Install(httplib::Server& server) {
    server_ = &server;
    server.Get(".*",
               [this](const httplib::Request& req, httplib::Response& res) { Handle(req, res); });
  }

  bool WentOffline() const { return wentOffline_; }

 private:
  void Handle(const httplib::Request& req, httplib::Response& res) {
    // The raw target: the login query holds "&?RN", which query parsers take apart.
    const std::string_view target = req.target;
    if (target.substr(0, 7) == "/__sim/") {
      Control(req, res);
      return;
    }
    const Route route = RouteOf(target);

    std::unique_lock lock(mutex_);
    const int number = ++requests_;
    std::optional<Fault> fault;
    if (route.step != Step::Other) {
      const int nth = ++stepCount_[static_cast<std::size_t>(route.step)];
      for (const Fault& f : faults_) {
        if (f.step == route.step && (f.occurrence == 0 || f.occurrence == nth))
          fault = f;
      }
    }

    if (options_.failAfter >= 0 && number > options_.failAfter) {
      ErrorAnswer(res, options_.failStatus);
    } else if (route.step == Step::Other) {
      ErrorAnswer(res, 404);
    } else if (fault && fault->kind == Kind::Status) {
      ErrorAnswer(res, fault->arg);
    } else {
      Answer(route, fault ? std::optional<Kind>(fault->kind) : std::nullopt, res);
      if (fault && fault->kind == Kind::Drop)
        Drop(res);
    }

    const std::string line = std::to_string(number) + "\t" +
                             kStepNames[static_cast<std::size_t>(route.step)] + "\t" +
                             std::to_string(res.status) + (fault ? "*" : "") + "\t" + req.target;
    logLines_ += line + "\n";
    if (log_.is_open())
      log_ << line << std::endl;
    if (!options_.quiet)
      std::cerr << "catalogue-sim: " << line << std::endl;

    if (options_.offlineAfter >= 0 && number == options_.offlineAfter) {
      // This answer still goes out on its connection; new connections are refused.
      wentOffline_ = true;
      server_->stop();
    }
    lock.unlock();

    if (fault && fault->kind == Kind::Slow)
      Pause(fault->arg);
  }

  void Answer(const Route& route, std::optional<Kind> fault, httplib::Response& res) {
    std::string body;
    switch (route.step) {
      case Step::Login: {
        const std::string handle = NewHandle(random_);
        visitHandles_.insert(handle);
        LoginVariant variant = LoginVariant::Normal;
        if (fault == Kind::NoMarker)
          variant = LoginVariant::NoUrlLine;
        else if (fault == Kind::FirstLine)
          variant = LoginVariant::UrlOnFirstLine;
        body = RenderLoginPage(base_, handle, variant);
        break;
      }
      case Step::Visit: {
        if (visitHandles_.count(route.handle) == 0) {
          body = RenderSessionExpiredPage();
          break;
        }
        const std::string handle = NewHandle(random_);
        searchHandles_.insert(handle);
        VisitVariant variant = VisitVariant::Normal;
        if (fault == Kind::NoMarker)
          variant = VisitVariant::NoFormMarker;
        else if (fault == Kind::OneSpace)
          variant = VisitVariant::OneSpaceMarker;
        body = RenderVisitPage(base_, handle, variant);
        break;
      }
      case Step::Search: {
        if (searchHandles_.count(route.handle) == 0) {
          body = RenderSessionExpiredPage();
          break;
        }
        const std::string isbn13 = NormalizeIsbn(route.isbn);
        const Book* found = nullptr;
        for (const Book& book : books_) {
          if (!isbn13.empty() && book.isbn13 == isbn13)
            found = &book;
        }
        body = found != nullptr ? RenderRecordPage(*found, CATALOGUE_SIM_NOIMAGE_URL)
                                : RenderNoRecordPage(route.isbn);
        if (fault == Kind::BadUtf8) {
          // A continuation byte right after the complete sequence that ends the page title's
          // text: no UTF-8 sequence can begin with it.
          const std::size_t at = body.find("</title>");
          body.insert(at == std::string::npos ? 0 : at, 1, '\x80');
        }
        break;
      }
      case Step::Other:
        break;
    }
    if (fault == Kind::Empty)
      body.clear();
    res.status = 200;
    res.set_content(body, "text/html; charset=UTF-8");
  }

  static void ErrorAnswer(httplib::Response& res, int status) {
    res.status = status;
    res.set_content("<html><body><h1>" + std::to_string(status) +
                        "</h1><p>The catalogue could not answer.</p></body></html>\n",
                    "text/html; charset=UTF-8");
  }

  // Announces the whole body, sends all of it but its last line and breaks the connection
  // off: what a reader looks for has arrived, only a client that counts the bytes against the
  // announced length can tell the answer is not whole.
  static void Drop(httplib::Response& res) {
    auto body = std::make_shared<std::string>(res.body);
    res.body.clear();
    const std::string type = res.get_header_value("Content-Type");
    std::size_t cut = body->size() / 2;
    if (body->size() >= 2) {
      const std::size_t lastBreak = body->rfind('\n', body->size() - 2);
      if (lastBreak != std::string::npos)
        cut = lastBreak + 1;
    }
    res.set_content_provider(body->size(), type,
                             [body, cut](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                               if (offset < cut) {
                                 sink.write(body->data() + offset, cut - offset);
                                 return true;
                               }
                               return false;
                             });
  }

  void Control(const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(mutex_);
    if (req.path == "/__sim/fault" && req.has_param("rule")) {
      try {
        faults_.push_back(ParseFault(req.get_param_value("rule")));
        res.set_content("ok\n", "text/plain");
      } catch (const BadArgument& error) {
        res.status = 400;
        res.set_content(std::string(error.what()) + "\n", "text/plain");
      }
    } else if (req.path == "/__sim/reset") {
      faults_.clear();
      requests_ = 0;
      stepCount_ = {};
      res.set_content("ok\n", "text/plain");
    } else if (req.path == "/__sim/log") {
      res.set_content(logLines_, "text/plain");
    } else {
      res.status = 404;
      res.set_content("unknown control request\n", "text/plain");
    }
  }

  const Options& options_;
  std::vector<Book> books_;
  std::string base_;
  httplib::Server* server_ = nullptr;
  std::mutex mutex_;
  std::vector<Fault> faults_;
  std::mt19937_64 random_;
  int requests_ = 0;
  std::array<int, 4> stepCount_{};
  std::set<std::string> visitHandles_, searchHandles_;
  std::ofstream log_;
  std::string logLines_;
  std::atomic<bool> wentOffline_{false};
};

int RenderFixtures(const Options& options, const std::vector<Book>& books) {
  const std::filesystem::path dir = options.renderFixtures;
  std::filesystem::create_directories(dir);
  for (const Book& book : books) {
    const std::filesystem::path file = dir / (book.isbn13 + ".html");
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << RenderRecordPage(book, CATALOGUE_SIM_NOIMAGE_URL);
    if (!out)
      throw std::runtime_error("cannot write " + file.string());
  }
  std::cout << books.size() << " pages written to " << dir.string() << "\n";
  return 0;
}

// A port on `address` that nobody listens on: bound for a moment to learn a free one, then
// closed again.
int FreePort(const std::string& address) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0)
    return -1;
  sockaddr_in in{};
  in.sin_family = AF_INET;
  in.sin_port = 0;
  socklen_t length = sizeof in;
  int port = -1;
  if (inet_pton(AF_INET, address.c_str(), &in.sin_addr) == 1 &&
      bind(fd, reinterpret_cast<sockaddr*>(&in), sizeof in) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&in), &length) == 0)
    port = ntohs(in.sin_port);
  close(fd);
  return port;
}

// Waits until a signal or the deadline.
void WaitForEnd(const std::chrono::steady_clock::time_point deadline, bool hasDeadline) {
  while (!g_terminate && (!hasDeadline || std::chrono::steady_clock::now() < deadline))
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

int Serve(const Options& options, std::vector<Book> books) {
  std::unique_ptr<CatalogueServer> server =
      options.tls ? std::make_unique<CatalogueServer>(options.tls->first, options.tls->second)
                  : std::make_unique<CatalogueServer>();

  int port = options.port;
  if (options.offline) {
    port = port != 0 ? port : FreePort(options.bind);
  } else if (port == 0) {
    port = server->bind_to_any_port(options.bind);
  } else if (!server->bind_to_port(options.bind, port)) {
    port = -1;
  }
  if (port <= 0)
    throw std::runtime_error("cannot listen on " + options.bind + ":" +
                             std::to_string(options.port));

  const std::string base = std::string(options.tls ? "https" : "http") + "://" + options.host +
                           ":" + std::to_string(port);
  Catalogue catalogue(options, std::move(books), base);
  catalogue.Install(*server);

  const bool hasDeadline = options.maxSeconds > 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.maxSeconds);

  if (options.offline) {
    std::cout << base << std::endl;
    WaitForEnd(deadline, hasDeadline);
    return 0;
  }

  std::cout << base << std::endl;
  std::atomic<bool> listenEnded{false};
  std::thread watcher([&] {
    WaitForEnd(deadline, hasDeadline);
    // stop() does nothing before listening has begun; keep asking until it has ended.
    while (!listenEnded) {
      server->stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  server->listen_after_bind();
  listenEnded = true;
  // Offline after N requests: stay alive, refusing connections, until told to end.
  if (catalogue.WentOffline())
    WaitForEnd(deadline, hasDeadline);
  g_terminate = true;
  watcher.join();
  return 0;
}

}  // namespace
}  // namespace catalogue_sim

int main(int argc, char** argv) {
  using namespace catalogue_sim;
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);
  Options options;
  try {
    options = ParseOptions(argc, argv);
  } catch (const BadArgument& error) {
    std::cerr << "catalogue-sim: " << error.what() << "\n" << kUsage;
    return 2;
  }
  try {
    std::vector<Book> books = LoadBooks(options.books);
    if (!options.renderFixtures.empty())
      return RenderFixtures(options, books);
    return Serve(options, std::move(books));
  } catch (const std::exception& error) {
    std::cerr << "catalogue-sim: " << error.what() << "\n";
    return 1;
  }
}
