// TlsSession over Schannel (SSPI): part of Windows, so the exe ships no TLS
// library. The certificate is checked by hand once the handshake is through
// (a chain to a root in the Windows store, the host name, the dates): each
// refusal then gets its own reason, and Wine behaves like Windows.
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "net/TlsSession.h"

namespace ombrix {
namespace {

constexpr DWORD kRequestFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;

std::string Hex(long code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
  return text;
}

std::string HandshakeReason(SECURITY_STATUS status) {
  switch (static_cast<unsigned long>(status)) {
    case 0x80090331UL:  // SEC_E_ALGORITHM_MISMATCH
    case 0x80090302UL:  // SEC_E_UNSUPPORTED_FUNCTION: what XP answers for TLS 1.2
      return tlsreason::kNoCommonProtocol;
    case 0x80090325UL:  // SEC_E_UNTRUSTED_ROOT
      return tlsreason::kNotTrusted;
    case 0x80090322UL:  // SEC_E_WRONG_PRINCIPAL
      return tlsreason::kOtherHost;
    case 0x80090328UL:  // SEC_E_CERT_EXPIRED
      return tlsreason::kExpired;
    default:
      return std::string(tlsreason::kRefused) + " (SSPI error " + Hex(status) + ")";
  }
}

std::string PolicyReason(DWORD error) {
  switch (error) {
    case 0: return "";
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING):
    case static_cast<DWORD>(CERT_E_UNTRUSTEDTESTROOT):
    case static_cast<DWORD>(CERT_E_UNTRUSTEDCA):
    case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE):
      return tlsreason::kNotTrusted;
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
      return tlsreason::kOtherHost;
    case static_cast<DWORD>(CERT_E_EXPIRED):
    case static_cast<DWORD>(CERT_E_VALIDITYPERIODNESTING):
      return tlsreason::kExpired;
    case static_cast<DWORD>(CERT_E_REVOKED):
      return "certificate revoked";
    case static_cast<DWORD>(CERT_E_WRONG_USAGE):
      return "certificate not meant for a web server";
    default:
      return "certificate rejected (" + Hex(static_cast<long>(error)) + ")";
  }
}

// Windows 7 and older keep TLS 1.1 and 1.2 off unless asked for; newer ones
// choose best by themselves (TLS 1.3 included).
DWORD EnabledProtocols() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return 0;
#pragma GCC diagnostic pop
  bool old = info.dwMajorVersion < 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion < 2);
  return old ? SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT | SP_PROT_TLS1_2_CLIENT : 0;
}

class SchannelSession final : public TlsSession {
 public:
  explicit SchannelSession(const std::string& host) : host_(host) {
    SCHANNEL_CRED cred{};
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    cred.grbitEnabledProtocols = EnabledProtocols();
    SECURITY_STATUS status =
        AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr, &cred,
                                  nullptr, nullptr, &cred_, nullptr);
    if (status != SEC_E_OK) {
      error_ = "TLS is not available on this system (Schannel " + Hex(status) + ")";
      return;
    }
    haveCred_ = true;
  }

  ~SchannelSession() override {
    if (haveCtx_) DeleteSecurityContext(&ctx_);
    if (haveCred_) FreeCredentialsHandle(&cred_);
  }

  void Feed(const char* data, std::size_t len) override {
    in_.append(data, len);
    starved_ = false;
  }

  Status Handshake() override {
    if (Failed()) return Status::Failed;
    Status status = HandshakeStep();
    if (status != Status::Done) return status;
    QueryContextAttributesA(&ctx_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
    error_ = CheckCertificate();
    return Failed() ? Status::Failed : Status::Done;
  }

  long Read(char* buf, std::size_t len) override {
    if (Failed()) return -1;
    while (plainPos_ == plain_.size()) {
      if (closed_) return -1;
      if (renegotiating_) {
        Status status = HandshakeStep();
        if (status == Status::Failed) return -1;
        if (status == Status::NeedMore) return 0;
        renegotiating_ = false;
      }
      if (in_.empty() || starved_) {
        starved_ = true;
        return 0;
      }
      if (!DecryptOne()) return Failed() ? -1 : 0;
    }
    std::size_t n = std::min(len, plain_.size() - plainPos_);
    std::memcpy(buf, plain_.data() + plainPos_, n);
    plainPos_ += n;
    if (plainPos_ == plain_.size()) {
      plain_.clear();
      plainPos_ = 0;
    }
    return static_cast<long>(n);
  }

  bool Write(const char* data, std::size_t len) override {
    if (Failed() || !haveCtx_) return false;
    while (len > 0) {
      std::size_t n = std::min<std::size_t>(len, sizes_.cbMaximumMessage);
      std::string message(sizes_.cbHeader + n + sizes_.cbTrailer, '\0');
      std::memcpy(&message[sizes_.cbHeader], data, n);
      SecBuffer bufs[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, &message[0]},
                           {static_cast<unsigned long>(n), SECBUFFER_DATA, &message[sizes_.cbHeader]},
                           {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, &message[sizes_.cbHeader + n]},
                           {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc{SECBUFFER_VERSION, 4, bufs};
      SECURITY_STATUS status = EncryptMessage(&ctx_, 0, &desc, 0);
      if (status != SEC_E_OK) {
        error_ = "TLS data could not be sent (" + Hex(status) + ")";
        return false;
      }
      out_.append(message.data(), bufs[0].cbBuffer + bufs[1].cbBuffer + bufs[2].cbBuffer);
      data += n;
      len -= n;
    }
    return true;
  }

  void Shutdown() override {
    if (!haveCtx_ || Failed()) return;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer token{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc tokenDesc{SECBUFFER_VERSION, 1, &token};
    if (ApplyControlToken(&ctx_, &tokenDesc) != SEC_E_OK) return;
    SecBuffer outBuf{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &outBuf};
    ULONG flags = 0;
    InitializeSecurityContextA(&cred_, &ctx_, const_cast<char*>(host_.c_str()), kRequestFlags, 0, 0, nullptr, 0,
                               nullptr, &outDesc, &flags, nullptr);
    TakeToken(outBuf);
  }

  bool Pending() const override {
    if (Failed()) return false;
    return plainPos_ < plain_.size() || (!closed_ && !in_.empty() && !starved_);
  }

 private:
  void TakeToken(SecBuffer& buf) {
    if (buf.pvBuffer && buf.cbBuffer > 0) out_.append(static_cast<const char*>(buf.pvBuffer), buf.cbBuffer);
    if (buf.pvBuffer) FreeContextBuffer(buf.pvBuffer);
    buf.pvBuffer = nullptr;
  }

  // One round of InitializeSecurityContext per piece of input, for the first
  // handshake and for a renegotiation alike.
  Status HandshakeStep() {
    for (int rounds = 0; rounds < 16; ++rounds) {
      bool first = !haveCtx_;
      // A renegotiation starts with a call on what is left of the input,
      // which may be nothing: that call makes the new ClientHello.
      if (!first && in_.empty() && !renegotiateStart_) return Status::NeedMore;
      renegotiateStart_ = false;
      SecBuffer inBufs[2] = {{static_cast<unsigned long>(in_.size()), SECBUFFER_TOKEN, in_.data()},
                             {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc inDesc{SECBUFFER_VERSION, 2, inBufs};
      SecBuffer outBuf{0, SECBUFFER_TOKEN, nullptr};
      SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &outBuf};
      ULONG flags = 0;
      SECURITY_STATUS status = InitializeSecurityContextA(
          &cred_, first ? nullptr : &ctx_, const_cast<char*>(host_.c_str()), kRequestFlags, 0, 0,
          first ? nullptr : &inDesc, 0, first ? &ctx_ : nullptr, &outDesc, &flags, nullptr);
      if (first && (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK)) haveCtx_ = true;
      TakeToken(outBuf);
      if (status == SEC_E_INCOMPLETE_MESSAGE) {
        starved_ = true;
        return Status::NeedMore;
      }
      if (!first) {
        if (inBufs[1].BufferType == SECBUFFER_EXTRA && inBufs[1].cbBuffer > 0 && inBufs[1].cbBuffer <= in_.size())
          in_.erase(0, in_.size() - inBufs[1].cbBuffer);
        else
          in_.clear();
      }
      if (status == SEC_E_OK) return Status::Done;
      if (status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS) {
        if (in_.empty()) return Status::NeedMore;
        continue;
      }
      error_ = HandshakeReason(status);
      return Status::Failed;
    }
    error_ = tlsreason::kRefused;
    return Status::Failed;
  }

  // Decrypts the first record of in_; false when it is not all there yet
  // (or the session failed).
  bool DecryptOne() {
    SecBuffer bufs[4] = {{static_cast<unsigned long>(in_.size()), SECBUFFER_DATA, in_.data()},
                         {0, SECBUFFER_EMPTY, nullptr},
                         {0, SECBUFFER_EMPTY, nullptr},
                         {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, bufs};
    SECURITY_STATUS status = DecryptMessage(&ctx_, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      starved_ = true;
      return false;
    }
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
      error_ = "TLS data could not be read (" + Hex(status) + ")";
      return false;
    }
    unsigned long extra = 0;
    for (SecBuffer& b : bufs) {
      if (b.BufferType == SECBUFFER_DATA && b.pvBuffer && b.cbBuffer > 0)
        plain_.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
      if (b.BufferType == SECBUFFER_EXTRA) extra = b.cbBuffer;
    }
    // The plaintext was decrypted in place, so it is copied before in_ moves.
    if (extra > 0 && extra <= in_.size()) in_.erase(0, in_.size() - extra);
    else in_.clear();
    // The peer's close_notify.
    if (status == SEC_I_CONTEXT_EXPIRED) closed_ = true;
    // A renegotiation (or TLS 1.3's post-handshake messages): the rest of
    // the input goes back through the handshake.
    if (status == SEC_I_RENEGOTIATE) renegotiating_ = renegotiateStart_ = true;
    return true;
  }

  std::string CheckCertificate() {
    PCCERT_CONTEXT cert = nullptr;
    if (QueryContextAttributesA(&ctx_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert) != SEC_E_OK || !cert)
      return "the server sent no certificate";
    LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &para, 0, nullptr, &chain)) {
      CertFreeCertificateContext(cert);
      return "certificate could not be checked (" + Hex(static_cast<long>(GetLastError())) + ")";
    }
    std::wstring wideHost(host_.begin(), host_.end());  // host names are ASCII
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = wideHost.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS result{};
    result.cbSize = sizeof result;
    BOOL ok = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &result);
    DWORD error = ok ? result.dwError : GetLastError();
    // A chain that ends short of a trusted root is refused even where the
    // SSL policy lets it pass (Wine's does when the issuer is unknown).
    const DWORD untrusted = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN |
                            CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_CYCLIC;
    if (error == 0 && (chain->TrustStatus.dwErrorStatus & untrusted)) error = static_cast<DWORD>(CERT_E_UNTRUSTEDROOT);
    CertFreeCertificateChain(chain);
    CertFreeCertificateContext(cert);
    return PolicyReason(error);
  }

  std::string host_;
  CredHandle cred_{};
  CtxtHandle ctx_{};
  bool haveCred_ = false, haveCtx_ = false;
  SecPkgContext_StreamSizes sizes_{};
  std::string in_;              // ciphertext not yet used
  std::string plain_;           // decrypted, not yet read
  std::size_t plainPos_ = 0;
  bool starved_ = false;        // in_ holds less than one record
  bool renegotiating_ = false, renegotiateStart_ = false;
};

}  // namespace

std::unique_ptr<TlsSession> NewTlsSession(const std::string& host) {
  return std::make_unique<SchannelSession>(host);
}

}  // namespace ombrix
