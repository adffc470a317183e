// The HTTP(S) server under the sample catalogue: cpp-httplib's request handling, with the
// connection layer of our own.
//
// The catalogue's login address holds a second "?" ("/F?func=file&file_name=login&?RN"), and
// the httplib release Debian ships rejects any request target with two question marks before
// a handler sees it. So this server reads the request line itself, hands httplib the target
// with every "?" after the first written as "%3F", and gives the handler the target as the
// client sent it in Request::target. It serves one request per connection (the answer says
// "Connection: close"), with TLS through OpenSSL when a certificate is given.
#pragma once

#include <httplib.h>
#include <openssl/ssl.h>

#include <memory>
#include <string>
#include <string_view>

namespace catalogue_sim {

// The target with every "?" after the first replaced by "%3F".
// EscapeExtraQuestionMarks("/F?a&?RN") == "/F?a&%3FRN".
std::string EscapeExtraQuestionMarks(std::string_view target);

class CatalogueServer : public httplib::Server {
 public:
  // Plain HTTP.
  CatalogueServer();
  // HTTPS with the PEM certificate (chain) and private key; throws std::runtime_error when
  // they cannot be used.
  CatalogueServer(const std::string& certFile, const std::string& keyFile);
  ~CatalogueServer() override;

  CatalogueServer(const CatalogueServer&) = delete;
  CatalogueServer& operator=(const CatalogueServer&) = delete;

 private:
  bool process_and_close_socket(socket_t sock) override;

  SSL_CTX* tls_ = nullptr;
};

}  // namespace catalogue_sim
