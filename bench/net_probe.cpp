// A probe preloaded into zelkon (LD_PRELOAD) by scripts/bench to see how the host's downloads
// use the network: every outgoing TCP connection and every completed TLS handshake (new or
// resumed session) is appended as one line to the file named by VOSTREL_NET_PROBE_LOG:
//
//   connect <port>        a TCP connection attempt (the connectivity check opens one too)
//   tls new               a full TLS handshake
//   tls resumed           a handshake that resumed an earlier session
//
// With VOSTREL_NET_PROBE_FRESH=1 every transfer is made to open its own connection and to
// forget TLS sessions (no keep-alive, no resumption), to time the host without reuse.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Record(const char* line) {
  static const char* path = std::getenv("VOSTREL_NET_PROBE_LOG");
  if (path == nullptr || *path == '\0')
    return;
  const int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0)
    return;
  const std::size_t size = std::strlen(line);
  // One write per line with O_APPEND: lines from several threads never interleave.
  [[maybe_unused]] const ssize_t written = write(fd, line, size);
  close(fd);
}

template <typename Fn>
Fn Next(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

int PortOf(const sockaddr* address) {
  if (address == nullptr)
    return -1;
  if (address->sa_family == AF_INET)
    return ntohs(reinterpret_cast<const sockaddr_in*>(address)->sin_port);
  if (address->sa_family == AF_INET6)
    return ntohs(reinterpret_cast<const sockaddr_in6*>(address)->sin6_port);
  return -1;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int connect(int fd, const sockaddr* address,
                                                   socklen_t size) {
  static const auto next = Next<int (*)(int, const sockaddr*, socklen_t)>("connect");
  const int port = PortOf(address);
  if (port >= 0) {
    char line[32];
    std::snprintf(line, sizeof line, "connect %d\n", port);
    Record(line);
  }
  return next(fd, address, size);
}

// libcurl drives the handshake of a non-blocking socket through repeated calls; the one that
// returns 1 completes it.
__attribute__((visibility("default"))) int SSL_connect(SSL* ssl) {
  static const auto next = Next<int (*)(SSL*)>("SSL_connect");
  const int result = next(ssl);
  if (result == 1)
    Record(SSL_session_reused(ssl) != 0 ? "tls resumed\n" : "tls new\n");
  return result;
}

__attribute__((visibility("default"))) CURLcode curl_easy_perform(CURL* easy) {
  static const auto next = Next<CURLcode (*)(CURL*)>("curl_easy_perform");
  static const bool fresh = [] {
    const char* value = std::getenv("VOSTREL_NET_PROBE_FRESH");
    return value != nullptr && std::strcmp(value, "1") == 0;
  }();
  if (fresh) {
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_SESSIONID_CACHE, 0L);
  }
  return next(easy);
}

}  // extern "C"
