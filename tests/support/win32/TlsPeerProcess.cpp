// The test TLS peer on Windows: one native tls-peer process per test binary
// (started through Wine, which runs Linux programs), spoken to over a
// loopback connection. Its CA is trusted in the prefix's root store for the life of the
// test binary and removed again at exit.
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/TlsPeer.h"
#include "support/win32/WinePath.h"

namespace ombrix::test {
namespace {

class Helper {
 public:
  Helper() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      closesocket(listener);
      return;
    }
    std::string command =
        "\"" + WindowsPath(OMBRIX_TLS_PEER_PATH) + "\" " + std::to_string(ntohs(addr.sin_port));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      if (pi.hThread) CloseHandle(pi.hThread);
      if (pi.hProcess) CloseHandle(pi.hProcess);
      fd_set set;
      FD_ZERO(&set);
      FD_SET(listener, &set);
      timeval wait{30, 0};
      if (select(0, &set, nullptr, nullptr, &wait) > 0) conn_ = accept(listener, nullptr, nullptr);
    }
    closesocket(listener);
    for (std::string line; conn_ != INVALID_SOCKET && ReadLine(line);) {
      if (line == "ready") {
        ready_ = true;
        break;
      }
      caPem_ += line + "\n";
    }
  }

  const std::string& CaPem() const { return caPem_; }

  std::string Ask(const std::string& line) {
    std::string text = line + "\n", answer;
    if (!ready_ || send(conn_, text.data(), static_cast<int>(text.size()), 0) != static_cast<int>(text.size()))
      return "";
    ReadLine(answer);
    return answer;
  }

 private:
  bool ReadLine(std::string& line) {
    line.clear();
    char c;
    while (recv(conn_, &c, 1, 0) == 1) {
      if (c == '\n') return true;
      line += c;
    }
    return false;
  }

  SOCKET conn_ = INVALID_SOCKET;  // closed with the process, which ends the peer
  bool ready_ = false;
  std::string caPem_;
};

Helper& TheHelper() {
  static Helper helper;
  return helper;
}

std::string trustedDer;

HCERTSTORE OpenRoot() {
  // The user's root store: Wine keeps the machine's one to the host's roots.
  return CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
}

void Untrust() {
  HCERTSTORE store = OpenRoot();
  if (!store) return;
  PCCERT_CONTEXT wanted = CertCreateCertificateContext(
      X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(trustedDer.data()), static_cast<DWORD>(trustedDer.size()));
  PCCERT_CONTEXT found =
      wanted ? CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr) : nullptr;
  if (found) CertDeleteCertificateFromStore(found);
  if (wanted) CertFreeCertificateContext(wanted);
  CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
  CertCloseStore(store, 0);
}

}  // namespace

std::string TestCaPem() { return TheHelper().CaPem(); }

bool TrustTestCa() {
  static bool done = [] {
    std::string pem = TestCaPem();
    DWORD size = 0;
    if (pem.empty() || !CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
      return false;
    std::string der(size, '\0');
    CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()), &size, nullptr,
                         nullptr);
    // Into the throw-away prefix the tests run in; written through at once,
    // since the chain checks open the store afresh.
    HCERTSTORE store = OpenRoot();
    if (!store) return false;
    bool added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                  size, CERT_STORE_ADD_REPLACE_EXISTING, nullptr) &&
                 CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    CertCloseStore(store, 0);
    if (added) {
      trustedDer = der;
      std::atexit(Untrust);
      return true;
    }
    return false;
  }();
  return done;
}

struct TlsFront::Impl {};

TlsFront::TlsFront(TlsCert cert, std::uint16_t upstreamPort, TlsMode mode, int lifetimeMs) {
  std::string answer =
      TheHelper().Ask("front " + std::to_string(static_cast<int>(cert)) + " " + std::to_string(static_cast<int>(mode)) +
                      " " + std::to_string(upstreamPort) + " " + std::to_string(lifetimeMs));
  port_ = static_cast<std::uint16_t>(std::atoi(answer.c_str()));
}

TlsFront::~TlsFront() {
  if (port_ != 0) TheHelper().Ask("stop " + std::to_string(port_));
}

}  // namespace ombrix::test
