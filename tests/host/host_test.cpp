// The host stand-in's functions as a plug-in calls them: the ISBN check, the connectivity
// check and the download, against servers started on loopback by the tests.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include "files.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "exports.h"
#include "host.h"
#include "plugin/common.h"

namespace {

namespace fs = std::filesystem;
using namespace vostrel::host;

using vostrel::testing::ReadFileIfPresent;

fs::path FreshDirectory(const std::string& name) {
  const fs::path dir =
      fs::temp_directory_path() / ("zelkon-test-" + std::to_string(getpid()) + "-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// A loopback port nothing listens on.
int ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

TEST(IsbnCheck, ConfirmsValidIsbnsOnly) {
  struct Case {
    const char* label;
    const char* in;
    const char* want;
  };
  const Case cases[] = {
      {"ISBN-13", "9784061495005", "9784061495005"},
      {"ISBN-13 with hyphens", "978-4-06-149500-5", "9784061495005"},
      {"ISBN-13 with spaces", "978 4 06 149500 5", "9784061495005"},
      {"ISBN-13, prefix 979", "9791000000008", "9791000000008"},
      {"ISBN-13, check digit 0 from a sum ending in 0", "9784000000017", "9784000000017"},
      {"ISBN-13, wrong check digit", "9784061495006", ""},
      {"EAN-13 outside the book prefixes", "9771234567898", ""},
      {"ISBN-13, twelve digits", "978406149500", ""},
      {"ISBN-13 with a letter", "97840614950A5", ""},
      {"ISBN-10", "4061495003", "4061495003"},
      {"ISBN-10 with hyphens", "4-06-149500-3", "4061495003"},
      {"ISBN-10, check digit X", "080442957X", "080442957X"},
      {"ISBN-10, check digit x", "0-8044-2957-x", "080442957X"},
      {"ISBN-10, wrong check digit", "4061495004", ""},
      {"ISBN-10, X before the end", "08044X9575", ""},
      {"ISBN-10, all zeros but the check", "4000000004", "4000000004"},
      {"other punctuation is not dropped", "4.06.149500.3", ""},
      // A 26-byte barcode line: the ISBN-13 and then the second barcode's digits.
      {"26-byte line", "9784061495005XXX1920100120", "9784061495005"},
      {"26-byte line, invalid ISBN part", "9784061495006XXX1920100120", ""},
      {"18-byte line is not cut by the host", "406149500319200980", ""},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const char* got = ISBNChkFunc(c.in);
    ASSERT_NE(got, nullptr);
    EXPECT_STREQ(got, c.want);
  }
  EXPECT_STREQ(ISBNChkFunc(nullptr), "");
}

TEST(Endpoint, HostAndPortOfAUrl) {
  struct Case {
    const char* label;
    const char* url;
    std::optional<std::pair<std::string, std::string>> want;
  };
  using P = std::pair<std::string, std::string>;
  const Case cases[] = {
      {"https default port", "https://opac.example.jp/F?func=file", P{"opac.example.jp", "443"}},
      {"http default port", "http://opac.example.jp", P{"opac.example.jp", "80"}},
      {"scheme in capitals", "HTTPS://opac.example.jp/", P{"opac.example.jp", "443"}},
      {"explicit port", "https://127.0.0.1:8443/F", P{"127.0.0.1", "8443"}},
      {"IPv6 literal", "https://[::1]:8443/F?x", P{"::1", "8443"}},
      {"user information", "http://user:pw@host.test:81/", P{"host.test", "81"}},
      {"query right after the host", "http://host.test?x=1", P{"host.test", "80"}},
      {"no scheme", "opac.example.jp/F", std::nullopt},
      {"empty host", "https:///F", std::nullopt},
      {"port not a number", "https://host.test:44x/", std::nullopt},
      {"port out of range", "https://host.test:65536/", std::nullopt},
      {"other scheme without a port", "ftp://host.test/", std::nullopt},
      {"unclosed IPv6 literal", "https://[::1/", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const auto got = EndpointOf(c.url);
    ASSERT_EQ(got.has_value(), c.want.has_value());
    if (got) {
      EXPECT_EQ(got->host, c.want->first);
      EXPECT_EQ(got->port, c.want->second);
    }
  }
}

// The sixteen names the plug-in binds are exported from an executable built like zelkon.
TEST(Exports, EveryHostFunctionIsFoundByName) {
  void* self = dlopen(nullptr, RTLD_NOW);
  ASSERT_NE(self, nullptr);
  for (const char* name : vostrel::kHostFunctionNames) {
    SCOPED_TRACE(name);
    EXPECT_NE(dlsym(self, name), nullptr);
  }
  dlclose(self);
}

// A web server on a loopback port, serving from its own thread.
template <typename Server>
class Serving {
 public:
  explicit Serving(std::unique_ptr<Server> server) : server_(std::move(server)) {
    // The host keeps its connection open; stopping waits for the server to give it up.
    server_->set_keep_alive_timeout(1);
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() only ends a server that has started listening.
    while (!server_->is_running())
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~Serving() {
    server_->stop();
    thread_.join();
  }
  Serving(const Serving&) = delete;
  Serving& operator=(const Serving&) = delete;

  Server& server() { return *server_; }
  int port() const { return port_; }

 private:
  std::unique_ptr<Server> server_;
  int port_ = 0;
  std::thread thread_;
};

void AddRoutes(httplib::Server& server) {
  server.Get("/page", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html>\r\nvar url = 'x';\r\n</html>\r\n", "text/html");
  });
  server.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content("not here", "text/plain");
  });
  server.Get("/failing", [](const httplib::Request&, httplib::Response& res) {
    res.status = 500;
    res.set_content("broken", "text/plain");
  });
  server.Get("/moved",
             [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/page"); });
  server.Get("/loop",
             [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
  server.Get("/login", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "session=abc123; Path=/");
    res.set_content("logged in", "text/plain");
  });
  server.Get("/members", [](const httplib::Request& req, httplib::Response& res) {
    if (req.get_header_value("Cookie").find("session=abc123") == std::string::npos) {
      res.status = 403;
      res.set_content("who are you", "text/plain");
      return;
    }
    res.set_content("welcome back", "text/plain");
  });
  server.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    res.set_content("too late", "text/plain");
  });
  server.Get("/big", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(3 * 1024 * 1024, 'b'), "application/octet-stream");
  });
  // The client's port tells the connection a request came on.
  server.Get("/connection", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(std::to_string(req.remote_port), "text/plain");
  });
}

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    Configure(DownloadSettings{});
    dir_ = FreshDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name());
    auto server = std::make_unique<httplib::Server>();
    AddRoutes(*server);
    serving_ = std::make_unique<Serving<httplib::Server>>(std::move(server));
    base_ = "http://127.0.0.1:" + std::to_string(serving_->port());
  }
  void TearDown() override {
    serving_.reset();
    Configure(DownloadSettings{});
    fs::remove_all(dir_);
  }

  // The files the directory holds, by name.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
  std::unique_ptr<Serving<httplib::Server>> serving_;
  std::string base_;
};

TEST_F(Download, WritesTheBodyOnlyOnSuccess) {
  struct Case {
    const char* label;
    std::string url;
    std::optional<std::string> wantBody;  // nullopt: failure, the old file stays as it was
  };
  const std::string page = "<html>\r\nvar url = 'x';\r\n</html>\r\n";
  const Case cases[] = {
      {"found", base_ + "/page", page},
      {"redirect followed", base_ + "/moved", page},
      {"not found (404)", base_ + "/missing", std::nullopt},
      {"server error (500)", base_ + "/failing", std::nullopt},
      {"endless redirects", base_ + "/loop", std::nullopt},
      {"connection refused", "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/page",
       std::nullopt},
      {"local file", "file:///etc/hostname", std::nullopt},
      {"not a URL", "Temp.html", std::nullopt},
  };
  const fs::path target = dir_ / "Temp.html";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::ofstream(target, std::ios::binary) << "an earlier answer";
    const std::int32_t result = HTTPDownloadFunc(target.c_str(), c.url.c_str());
    EXPECT_EQ(result, c.wantBody ? 1 : 0);
    EXPECT_EQ(ReadFileIfPresent(target), c.wantBody.value_or("an earlier answer"));
    // No partial file is left behind.
    EXPECT_EQ(Files(), std::vector<std::string>{"Temp.html"});
  }
}

TEST_F(Download, FailureWritesNothingWhereNoFileWas) {
  const fs::path target = dir_ / "Temp2.txt";
  EXPECT_EQ(HTTPDownloadFunc(target.c_str(), (base_ + "/missing").c_str()), 0);
  EXPECT_TRUE(Files().empty());
  // A path in a directory that does not exist is a failure, not a crash.
  const fs::path nowhere = dir_ / "no-such-directory" / "Temp2.txt";
  EXPECT_EQ(HTTPDownloadFunc(nowhere.c_str(), (base_ + "/page").c_str()), 0);
  EXPECT_TRUE(Files().empty());
}

TEST_F(Download, LargeBodiesArriveWhole) {
  const fs::path target = dir_ / "big.bin";
  ASSERT_EQ(HTTPDownloadFunc(target.c_str(), (base_ + "/big").c_str()), 1);
  EXPECT_EQ(fs::file_size(target), 3u * 1024 * 1024);
}

TEST_F(Download, CookiesAreKeptBetweenDownloads) {
  const fs::path target = dir_ / "Temp.html";
  ASSERT_EQ(HTTPDownloadFunc(target.c_str(), (base_ + "/login").c_str()), 1);
  ASSERT_EQ(HTTPDownloadFunc(target.c_str(), (base_ + "/members").c_str()), 1);
  EXPECT_EQ(ReadFileIfPresent(target), "welcome back");
}

TEST_F(Download, OneConnectionServesConsecutiveDownloads) {
  const fs::path first = dir_ / "first.txt", second = dir_ / "second.txt";
  ASSERT_EQ(HTTPDownloadFunc(first.c_str(), (base_ + "/connection").c_str()), 1);
  ASSERT_EQ(HTTPDownloadFunc(second.c_str(), (base_ + "/connection").c_str()), 1);
  EXPECT_EQ(ReadFileIfPresent(first), ReadFileIfPresent(second));
}

TEST_F(Download, TheTimeLimitEndsASlowAnswer) {
  DownloadSettings quick;
  quick.totalTimeoutMs = 300;
  Configure(quick);
  const fs::path target = dir_ / "Temp.html";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HTTPDownloadFunc(target.c_str(), (base_ + "/slow").c_str()), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1200));
  EXPECT_TRUE(Files().empty());
}

TEST_F(Download, ConnectivityCheck) {
  EXPECT_EQ(InternetConnectFunc((base_ + "/F?func=file&file_name=login&?RN").c_str()), 1);
  struct Case {
    const char* label;
    std::string url;
  };
  const Case cases[] = {
      {"nothing listens", "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/F"},
      {"not a URL", "opac.example.jp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(InternetConnectFunc(c.url.c_str()), 0);
  }
}

// TLS: the server's certificate comes from an authority only the test knows.
class SecureDownload : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    certificates_ = new fs::path(FreshDirectory("certificates"));
    const std::string command = std::string(MAKE_TEST_CA) + " '" + certificates_->string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  static void TearDownTestSuite() {
    fs::remove_all(*certificates_);
    delete certificates_;
  }
  void SetUp() override {
    Configure(DownloadSettings{});
    dir_ = FreshDirectory("tls");
    auto server = std::make_unique<httplib::SSLServer>((*certificates_ / "server.pem").c_str(),
                                                       (*certificates_ / "server.key").c_str());
    ASSERT_TRUE(server->is_valid());
    AddRoutes(*server);
    serving_ = std::make_unique<Serving<httplib::SSLServer>>(std::move(server));
  }
  void TearDown() override {
    serving_.reset();
    Configure(DownloadSettings{});
    fs::remove_all(dir_);
  }
  std::string Url(const std::string& path) const {
    return "https://localhost:" + std::to_string(serving_->port()) + path;
  }

  static fs::path* certificates_;
  fs::path dir_;
  std::unique_ptr<Serving<httplib::SSLServer>> serving_;
};
fs::path* SecureDownload::certificates_ = nullptr;

TEST_F(SecureDownload, TrustsTheServerOnlyThroughTheGivenAuthority) {
  const fs::path target = dir_ / "Temp.html";
  EXPECT_EQ(HTTPDownloadFunc(target.c_str(), Url("/page").c_str()), 0);
  EXPECT_FALSE(fs::exists(target));

  DownloadSettings trusting;
  trusting.caFile = (*certificates_ / "ca.pem").string();
  Configure(trusting);
  EXPECT_EQ(HTTPDownloadFunc(target.c_str(), Url("/page").c_str()), 1);
  EXPECT_EQ(ReadFileIfPresent(target), "<html>\r\nvar url = 'x';\r\n</html>\r\n");
}

TEST(Configure, RejectsACertificateFileItCannotUse) {
  const fs::path dir = FreshDirectory("configure");
  std::ofstream(dir / "not-a-certificate.pem") << "hello\n";
  for (const fs::path& file : {dir / "missing.pem", dir / "not-a-certificate.pem"}) {
    SCOPED_TRACE(file.string());
    DownloadSettings settings;
    settings.caFile = file.string();
    EXPECT_THROW(Configure(settings), std::runtime_error);
  }
  fs::remove_all(dir);
}

}  // namespace
