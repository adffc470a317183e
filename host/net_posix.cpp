// Connectivity check over POSIX sockets and downloads through libcurl.
#include <curl/curl.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "host.h"

namespace vostrel::host {

namespace {

using Clock = std::chrono::steady_clock;

// One connection attempt, bounded by `deadline`.
bool ConnectOnce(const addrinfo& address, Clock::time_point deadline) {
  const int fd = socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                        address.ai_protocol);
  if (fd < 0)
    return false;
  bool connected = false;
  if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) {
    connected = true;
  } else if (errno == EINPROGRESS) {
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0)
        break;
      pollfd p{fd, POLLOUT, 0};
      const int ready = poll(&p, 1, static_cast<int>(left));
      if (ready < 0 && errno == EINTR)
        continue;
      if (ready == 1) {
        int error = 0;
        socklen_t size = sizeof error;
        connected = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
      }
      break;
    }
  }
  close(fd);
  return connected;
}

// The process's one transfer handle: connections and TLS sessions are reused from one download
// to the next, and the cookie engine keeps the cookies of the whole process.
class Transfer {
 public:
  Transfer() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    easy_ = curl_easy_init();
    if (easy_ != nullptr)
      curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, "");
  }
  ~Transfer() {
    if (easy_ != nullptr)
      curl_easy_cleanup(easy_);
    curl_global_cleanup();
  }
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  CURL* easy() const { return easy_; }

 private:
  CURL* easy_ = nullptr;
};

Transfer& TheTransfer() {
  static Transfer transfer;
  return transfer;
}

DownloadSettings settings;
// The system's certificate authorities followed by the extra one, when one is given, kept in
// a file of our own: libcurl caches a certificate file's store between connections, while a
// bundle handed over in memory is parsed again for every new connection.
class CaBundleFile {
 public:
  CaBundleFile() = default;
  CaBundleFile(const CaBundleFile&) = delete;
  CaBundleFile& operator=(const CaBundleFile&) = delete;
  ~CaBundleFile() { Remove(); }

  void Replace(const std::string& pem) {
    Remove();
    if (pem.empty())
      return;
    std::string name = "/tmp/zelkon-ca-XXXXXX";
    if (const char* dir = std::getenv("TMPDIR"); dir != nullptr && *dir != '\0')
      name = std::string(dir) + "/zelkon-ca-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0)
      throw std::runtime_error("cannot create a file for the certificate bundle");
    const bool written = write(fd, pem.data(), pem.size()) == static_cast<ssize_t>(pem.size());
    close(fd);
    path_ = name;
    if (!written)
      throw std::runtime_error("cannot write the certificate bundle");
  }
  const std::string& path() const { return path_; }

 private:
  void Remove() {
    if (!path_.empty())
      unlink(path_.c_str());
    path_.clear();
  }
  std::string path_;
};
CaBundleFile caBundle;

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return std::move(content).str();
}

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* file) {
  return std::fwrite(data, 1, size * count, static_cast<std::FILE*>(file));
}

}  // namespace

void Configure(const DownloadSettings& next) {
  std::string bundle;
  if (!next.caFile.empty()) {
    const std::string extra = ReadWhole(next.caFile);
    if (extra.find("-----BEGIN CERTIFICATE-----") == std::string::npos)
      throw std::runtime_error(next.caFile + " holds no PEM certificate");
    // libcurl takes one bundle: the system's authorities stay trusted beside the extra one.
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if (info != nullptr && info->cainfo != nullptr) {
      try {
        bundle = ReadWhole(info->cainfo) + "\n";
      } catch (const std::runtime_error&) {
        // No system bundle: the extra authority is the only one.
      }
    }
    bundle += extra;
  }
  settings = next;
  caBundle.Replace(bundle);
}

bool CanConnect(std::string_view url, int timeoutMs) {
  const auto endpoint = EndpointOf(url);
  if (!endpoint)
    return false;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* addresses = nullptr;
  if (getaddrinfo(endpoint->host.c_str(), endpoint->port.c_str(), &hints, &addresses) != 0)
    return false;
  bool connected = false;
  for (const addrinfo* a = addresses; a != nullptr && !connected; a = a->ai_next)
    connected = ConnectOnce(*a, deadline);
  freeaddrinfo(addresses);
  return connected;
}

bool Download(const std::string& path, const std::string& url) {
  // A page may name any URL; only the web is fetched, never a local file.
  if (!IsHttpUrl(url))
    return false;
  CURL* easy = TheTransfer().easy();
  if (easy == nullptr)
    return false;

  const std::string partial = path + ".zelkon-part";
  std::FILE* file = std::fopen(partial.c_str(), "wb");
  if (file == nullptr)
    return false;

  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, settings.connectTimeoutMs);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, settings.totalTimeoutMs);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "zelkon/1.0");
  curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
  if (!caBundle.path().empty())
    curl_easy_setopt(easy, CURLOPT_CAINFO, caBundle.path().c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, file);

  const CURLcode result = curl_easy_perform(easy);
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, nullptr);
  const bool written = std::fclose(file) == 0;

  const bool ok = result == CURLE_OK && status > 0 && status < 400 && written;
  if (ok && std::rename(partial.c_str(), path.c_str()) == 0)
    return true;
  std::remove(partial.c_str());
  return false;
}

}  // namespace vostrel::host
