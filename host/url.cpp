// Splitting a URL into what a connection needs.
#include <optional>
#include <string>
#include <string_view>

#include "host.h"

namespace vostrel::host {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z')
      x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z')
      y = static_cast<char>(y - 'A' + 'a');
    if (x != y)
      return false;
  }
  return true;
}

std::string_view SchemeOf(std::string_view url) {
  const std::size_t end = url.find("://");
  return end == std::string_view::npos ? std::string_view() : url.substr(0, end);
}

}  // namespace

bool IsHttpUrl(std::string_view url) {
  const std::string_view scheme = SchemeOf(url);
  return EqualsIgnoringCase(scheme, "http") || EqualsIgnoringCase(scheme, "https");
}

std::optional<Endpoint> EndpointOf(std::string_view url) {
  const std::string_view scheme = SchemeOf(url);
  if (scheme.empty())
    return std::nullopt;
  std::string_view authority = url.substr(scheme.size() + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  // user:password@host
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
    authority.remove_prefix(at + 1);

  Endpoint endpoint;
  std::string_view rest;
  if (!authority.empty() && authority.front() == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos)
      return std::nullopt;
    endpoint.host = std::string(authority.substr(1, close - 1));
    rest = authority.substr(close + 1);
  } else {
    const std::size_t colon = authority.find(':');
    endpoint.host = std::string(authority.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
  }
  if (endpoint.host.empty())
    return std::nullopt;

  if (!rest.empty()) {
    if (rest.front() != ':')
      return std::nullopt;
    rest.remove_prefix(1);
  }
  if (rest.empty()) {
    if (EqualsIgnoringCase(scheme, "https"))
      endpoint.port = "443";
    else if (EqualsIgnoringCase(scheme, "http"))
      endpoint.port = "80";
    else
      return std::nullopt;
    return endpoint;
  }
  if (rest.size() > 5)
    return std::nullopt;
  unsigned port = 0;
  for (char c : rest) {
    if (c < '0' || c > '9')
      return std::nullopt;
    port = port * 10 + static_cast<unsigned>(c - '0');
  }
  if (port == 0 || port > 65535)
    return std::nullopt;
  endpoint.port = std::to_string(port);
  return endpoint;
}

}  // namespace vostrel::host
