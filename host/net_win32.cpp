// Connectivity check over Winsock and downloads through WinINet.
#include <winsock2.h>
#include <ws2tcpip.h>
//
#include <wincrypt.h>
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host.h"

namespace vostrel::host {

namespace {

DownloadSettings settings;

bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

// One connection attempt, bounded by `deadline` (GetTickCount64 milliseconds).
bool ConnectOnce(const addrinfo& address, ULONGLONG deadline) {
  SOCKET s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
  if (s == INVALID_SOCKET)
    return false;
  u_long nonBlocking = 1;
  bool connected = false;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) == 0) {
    if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) {
      connected = true;
    } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
      const ULONGLONG now = GetTickCount64();
      const ULONGLONG left = deadline > now ? deadline - now : 0;
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(s, &writable);
      FD_SET(s, &failed);
      timeval wait{static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
      if (select(0, nullptr, &writable, &failed, &wait) == 1 && FD_ISSET(s, &writable)) {
        int error = 0;
        int size = sizeof error;
        connected =
            getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
            error == 0;
      }
    }
  }
  closesocket(s);
  return connected;
}

// The process's one WinINet session: connections are kept alive between downloads, and
// WinINet keeps the cookies.
HINTERNET Session() {
  static const HINTERNET session =
      InternetOpenA("zelkon/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  return session;
}

void ApplyTimeouts(HINTERNET handle) {
  DWORD connect = static_cast<DWORD>(settings.connectTimeoutMs);
  DWORD total = static_cast<DWORD>(settings.totalTimeoutMs);
  InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &total, sizeof total);
  InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &total, sizeof total);
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return std::move(content).str();
}

// WinINet verifies servers against the certificate stores, so the extra authority goes into
// the current user's root store (where it stays).
void TrustAuthority(const std::string& caFile) {
  const std::string pem = ReadWhole(caFile);
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            nullptr, &size, nullptr, nullptr)) {
    throw std::runtime_error(caFile + " holds no PEM certificate");
  }
  std::vector<BYTE> der(size);
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            der.data(), &size, nullptr, nullptr)) {
    throw std::runtime_error(caFile + " holds no PEM certificate");
  }
  HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
  if (store == nullptr)
    throw std::runtime_error("cannot open the certificate store");
  const BOOL added =
      CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(),
                                       size, CERT_STORE_ADD_USE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  if (!added)
    throw std::runtime_error("cannot trust the certificate in " + caFile);
}

}  // namespace

void Configure(const DownloadSettings& next) {
  if (!next.caFile.empty())
    TrustAuthority(next.caFile);
  settings = next;
  if (Session() != nullptr)
    ApplyTimeouts(Session());
}

bool CanConnect(std::string_view url, int timeoutMs) {
  const auto endpoint = EndpointOf(url);
  if (!endpoint || !StartWinsock())
    return false;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
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
  HINTERNET session = Session();
  if (session == nullptr)
    return false;
  ApplyTimeouts(session);

  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(settings.totalTimeoutMs);
  HINTERNET request = InternetOpenUrlA(session, url.c_str(), nullptr, 0,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                           INTERNET_FLAG_PRAGMA_NOCACHE |
                                           INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_UI,
                                       0);
  if (request == nullptr)
    return false;

  DWORD status = 0;
  DWORD size = sizeof status;
  const bool answered = HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                       &status, &size, nullptr) != FALSE;
  bool ok = answered && status > 0 && status < 400;

  const std::string partial = path + ".zelkon-part";
  std::FILE* file = ok ? std::fopen(partial.c_str(), "wb") : nullptr;
  ok = ok && file != nullptr;
  // WinINet ends a body that breaks off early as if it were complete; the declared length
  // tells a cut-off answer from a whole one.
  char declared[32] = {};
  DWORD declaredSize = sizeof declared;
  const bool hasLength =
      HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, declared, &declaredSize, nullptr) != FALSE;
  unsigned long long received = 0;
  std::vector<char> buffer(64 * 1024);
  while (ok) {
    DWORD got = 0;
    if (!InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &got)) {
      ok = false;
      break;
    }
    if (got == 0)
      break;
    received += got;
    if (std::fwrite(buffer.data(), 1, got, file) != got || GetTickCount64() > deadline)
      ok = false;
  }
  if (ok && hasLength && std::strtoull(declared, nullptr, 10) != received)
    ok = false;
  InternetCloseHandle(request);
  if (file != nullptr && std::fclose(file) != 0)
    ok = false;

  if (ok && MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
    return true;
  if (file != nullptr)
    DeleteFileA(partial.c_str());
  return false;
}

}  // namespace vostrel::host
