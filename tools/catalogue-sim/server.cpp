#include "server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace catalogue_sim {

namespace {

constexpr int kTimeoutSeconds = 10;
constexpr std::size_t kMaxRequestLine = 16 * 1024;

void AddressOf(int fd, bool peer, std::string& ip, int& port) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  const int rc = peer ? getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                      : getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ip.clear();
  port = -1;
  if (rc != 0)
    return;
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(&address);
    inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    port = ntohs(in->sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address);
    inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    port = ntohs(in6->sin6_port);
  }
  ip = text;
}

// One accepted connection, plain or TLS. The bytes of the request line are read ahead and
// rewritten; read() serves them before anything else.
class Connection : public httplib::Stream {
 public:
  Connection(int fd, SSL_CTX* tls) : fd_(fd) {
    // Every blocking read and write of this connection gives up after a while, so a client
    // that connects and sends nothing cannot hold a worker.
    timeval timeout{kTimeoutSeconds, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    if (tls != nullptr) {
      ssl_ = SSL_new(tls);
      if (ssl_ != nullptr)
        SSL_set_fd(ssl_, fd_);
    }
  }

  ~Connection() override {
    if (ssl_ != nullptr) {
      if (handshakeDone_ && !broken_)
        SSL_shutdown(ssl_);
      SSL_free(ssl_);
    }
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
  }

  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The handshake (TLS) and the request line. False when the client sent no usable request
  // line: a connectivity check that only connects, a failed handshake, a time-out.
  bool Open() {
    if (ssl_ != nullptr) {
      ERR_clear_error();
      if (SSL_accept(ssl_) != 1)
        return false;
      handshakeDone_ = true;
    }
    std::size_t end;
    while ((end = ahead_.find('\n')) == std::string::npos) {
      if (ahead_.size() > kMaxRequestLine)
        return false;
      char buffer[4096];
      const ssize_t n = RawRead(buffer, sizeof buffer);
      if (n <= 0)
        return false;
      ahead_.append(buffer, static_cast<std::size_t>(n));
    }
    // METHOD SP target SP version CR LF
    const std::string line = ahead_.substr(0, end + 1);
    const std::size_t first = line.find(' ');
    const std::size_t last = line.rfind(' ');
    if (first == std::string::npos || last == first)
      return true;  // httplib answers the malformed line itself
    rawTarget_ = line.substr(first + 1, last - first - 1);
    ahead_ = line.substr(0, first + 1) + EscapeExtraQuestionMarks(rawTarget_) + line.substr(last) +
             ahead_.substr(end + 1);
    return true;
  }

  const std::string& RawTarget() const { return rawTarget_; }

  using httplib::Stream::write;

  bool is_readable() const override {
    if (offset_ < ahead_.size())
      return true;
    if (ssl_ != nullptr && SSL_pending(ssl_) > 0)
      return true;
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, kTimeoutSeconds * 1000) > 0;
  }

  bool is_writable() const override {
    pollfd p{fd_, POLLOUT, 0};
    return poll(&p, 1, kTimeoutSeconds * 1000) > 0;
  }

  ssize_t read(char* ptr, size_t size) override {
    if (offset_ < ahead_.size()) {
      const std::size_t n = std::min(size, ahead_.size() - offset_);
      std::memcpy(ptr, ahead_.data() + offset_, n);
      offset_ += n;
      return static_cast<ssize_t>(n);
    }
    return RawRead(ptr, size);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (ssl_ != nullptr) {
      const int n = SSL_write(ssl_, ptr, static_cast<int>(std::min<size_t>(size, 1 << 30)));
      if (n <= 0)
        broken_ = true;
      return n;
    }
    const ssize_t n = send(fd_, ptr, size, MSG_NOSIGNAL);
    if (n < 0)
      broken_ = true;
    return n;
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    AddressOf(fd_, true, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    AddressOf(fd_, false, ip, port);
  }
  socket_t socket() const override { return fd_; }

 private:
  ssize_t RawRead(char* ptr, size_t size) {
    if (ssl_ != nullptr) {
      const int n = SSL_read(ssl_, ptr, static_cast<int>(std::min<size_t>(size, 1 << 30)));
      if (n <= 0)
        broken_ = SSL_get_error(ssl_, n) != SSL_ERROR_ZERO_RETURN;
      return n;
    }
    return recv(fd_, ptr, size, 0);
  }

  int fd_;
  SSL* ssl_ = nullptr;
  bool handshakeDone_ = false;
  bool broken_ = false;
  std::string ahead_;
  std::size_t offset_ = 0;
  std::string rawTarget_;
};

}  // namespace

std::string EscapeExtraQuestionMarks(std::string_view target) {
  std::string out;
  bool seen = false;
  for (char c : target) {
    if (c == '?' && seen) {
      out += "%3F";
    } else {
      seen = seen || c == '?';
      out += c;
    }
  }
  return out;
}

CatalogueServer::CatalogueServer() = default;

CatalogueServer::CatalogueServer(const std::string& certFile, const std::string& keyFile) {
  tls_ = SSL_CTX_new(TLS_server_method());
  if (tls_ == nullptr || SSL_CTX_use_certificate_chain_file(tls_, certFile.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(tls_, keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
      SSL_CTX_check_private_key(tls_) != 1) {
    if (tls_ != nullptr)
      SSL_CTX_free(tls_);
    tls_ = nullptr;
    throw std::runtime_error("cannot use the certificate " + certFile + " with the key " + keyFile);
  }
  SSL_CTX_set_min_proto_version(tls_, TLS1_2_VERSION);
}

CatalogueServer::~CatalogueServer() {
  if (tls_ != nullptr)
    SSL_CTX_free(tls_);
}

bool CatalogueServer::process_and_close_socket(socket_t sock) {
  Connection connection(sock, tls_);
  if (!connection.Open())
    return false;
  bool closed = false;
  return process_request(connection, /*close_connection=*/true, closed, [&](httplib::Request& req) {
    if (!connection.RawTarget().empty())
      req.target = connection.RawTarget();
  });
}

}  // namespace catalogue_sim
