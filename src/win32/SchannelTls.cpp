// The TLS engine over SSPI/Schannel: the handshake, the records and the buffers they pass in;
// what the certificate is worth is SchannelVerifier's to say.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>

#include "imap/CertificateNames.h"
#include "win32/SchannelVerifier.h"
#include "win32/Strconv.h"
#include "win32/Win32.h"

// SCH_CREDENTIALS (the only way to TLS 1.3 on Windows 11) needs UNICODE_STRING and this switch.
#define SCHANNEL_USE_BLACKLISTS
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
// Each of these needs the ones before it.
// clang-format off
#include <subauth.h>
#include <wincrypt.h>
#include <security.h>
#include <schannel.h>
// clang-format on

namespace pw::win32 {
namespace {

// The content type of a TLS alert record (RFC 5246, 6.2.1).
constexpr char kAlertRecord = 21;

// The condition a failed SSPI call stands for.
TlsCondition SspiCondition(SECURITY_STATUS status) {
  switch (status) {
    case SEC_E_ALGORITHM_MISMATCH:
      return TlsCondition::NoCommonAlgorithm;
    case SEC_E_ILLEGAL_MESSAGE:
    case SEC_E_INVALID_TOKEN:
    case SEC_E_MESSAGE_ALTERED:
    case SEC_E_DECRYPT_FAILURE:
      return TlsCondition::BadData;
    case SEC_E_CERT_UNKNOWN:
    case SEC_E_CERT_EXPIRED:
    case SEC_E_UNTRUSTED_ROOT:
    case SEC_E_WRONG_PRINCIPAL:
      return TlsCondition::CertificateRefused;
    case SEC_E_INCOMPLETE_CREDENTIALS:
    case SEC_I_INCOMPLETE_CREDENTIALS:
      return TlsCondition::ClientCertificate;
    case SEC_E_UNSUPPORTED_FUNCTION:
      return TlsCondition::VersionUnsupported;
    default:
      return TlsCondition::CallFailed;
  }
}

AppError SspiError(const char* call, SECURITY_STATUS status) {
  return TlsFailure(SspiCondition(status),
                    std::string(call) + ": " + HexCode(static_cast<unsigned long>(status)));
}

// Owners of what SSPI hands out.
class Credentials {
 public:
  Credentials() { SecInvalidateHandle(&handle_); }
  ~Credentials() {
    if (SecIsValidHandle(&handle_)) FreeCredentialsHandle(&handle_);
  }
  Credentials(const Credentials&) = delete;
  Credentials& operator=(const Credentials&) = delete;
  CredHandle* Get() { return &handle_; }

 private:
  CredHandle handle_;
};

class SecurityContext {
 public:
  SecurityContext() { SecInvalidateHandle(&handle_); }
  ~SecurityContext() {
    if (SecIsValidHandle(&handle_)) DeleteSecurityContext(&handle_);
  }
  SecurityContext(const SecurityContext&) = delete;
  SecurityContext& operator=(const SecurityContext&) = delete;
  CtxtHandle* Get() { return &handle_; }
  bool Valid() const { return SecIsValidHandle(&handle_); }

 private:
  CtxtHandle handle_;
};

struct ContextBufferFree {
  void operator()(void* p) const { FreeContextBuffer(p); }
};
using ContextBuffer = std::unique_ptr<void, ContextBufferFree>;

// Refuses input that cannot be the start of a TLS record (RFC 8446, 5.1): content type 20-23,
// version 3.x, at most 2^14 + 2048 bytes. Wine (8) reads any five bytes as a record header and
// waits for the length they happen to spell, so a plain-text greeting would end in a time-out
// instead of a TLS error; Schannel on Windows refuses it itself.
void CheckRecordStart(std::string_view in) {
  if (in.empty()) return;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };
  bool valid = byte(0) >= 20 && byte(0) <= 23;
  if (valid && in.size() >= 2) valid = byte(1) == 3;
  if (valid && in.size() >= 5) valid = (byte(3) << 8 | byte(4)) <= (1 << 14) + 2048;
  if (!valid) throw TlsFailure(TlsCondition::NotTls);
}

// SECBUFFER_EXTRA reports input that the call did not use: the last cbBuffer bytes of it
// (pvBuffer is not set by every version, so only the count is relied on).
void KeepUnused(const SecBuffer& extra, std::string& in) {
  if (extra.BufferType == SECBUFFER_EXTRA && extra.cbBuffer > 0 && extra.cbBuffer <= in.size()) {
    in.erase(0, in.size() - extra.cbBuffer);
  } else {
    in.clear();
  }
}

class SchannelTls final : public TlsEngine {
 public:
  explicit SchannelTls(const std::string& serverName) {
    // SNI carries names only (RFC 6066, 3).
    if (!serverName.empty() && !imap::IpLiteralBytes(serverName)) target_ = Widen(serverName);
    AcquireCredentials();
  }

  bool Handshake(std::string& in, std::string& out) override {
    if (open_) return true;
    if (!context_.Valid()) {
      if (Step(nullptr, out) == Progress::Done) return Opened();
    }
    while (!in.empty()) {
      Progress p = Step(&in, out);
      if (p == Progress::Done) return Opened();
      if (p == Progress::NeedMore) break;
    }
    return false;
  }

  Sha256 LeafSha256() const override { return sha256_; }

  std::string ChainProblem() const override {
    return verifier_ ? verifier_->ChainProblem() : ChainProblemText(ChainCondition::NoCertificate);
  }

  CertificateNames LeafNames() const override {
    return verifier_ ? verifier_->Names() : CertificateNames{};
  }

  void Encrypt(std::string_view plain, std::string& out) override {
    if (!open_) throw TlsFailure(TlsCondition::NotEncrypted);
    while (!plain.empty()) {
      std::size_t chunk =
          std::min<std::size_t>(plain.size(), std::max<unsigned long>(sizes_.cbMaximumMessage, 1));
      std::size_t at = out.size();
      out.resize(at + sizes_.cbHeader + chunk + sizes_.cbTrailer);
      char* record = out.data() + at;
      std::memcpy(record + sizes_.cbHeader, plain.data(), chunk);
      SecBuffer buffers[4] = {
          {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record},
          {static_cast<unsigned long>(chunk), SECBUFFER_DATA, record + sizes_.cbHeader},
          {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record + sizes_.cbHeader + chunk},
          {0, SECBUFFER_EMPTY, nullptr},
      };
      SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
      SECURITY_STATUS status = EncryptMessage(context_.Get(), 0, &desc, 0);
      if (status != SEC_E_OK) {
        out.resize(at);
        throw SspiError("EncryptMessage", status);
      }
      // The trailer may come out shorter than its largest size.
      out.resize(at + buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
      plain.remove_prefix(chunk);
    }
  }

  bool Decrypt(std::string& in, std::string& plain, std::string& out) override {
    if (closed_) return false;
    if (!open_) throw TlsFailure(TlsCondition::NotEncrypted);
    while (!in.empty() || renegotiating_) {
      if (renegotiating_) {
        Progress p = Step(&in, out);
        if (p == Progress::NeedMore || (p == Progress::Continue && in.empty())) return true;
        if (p == Progress::Done) {
          renegotiating_ = false;
          QueryStreamSizes();
        }
        continue;
      }
      CheckRecordStart(in);
      SecBuffer buffers[4] = {
          {static_cast<unsigned long>(in.size()), SECBUFFER_DATA, in.data()},
          {0, SECBUFFER_EMPTY, nullptr},
          {0, SECBUFFER_EMPTY, nullptr},
          {0, SECBUFFER_EMPTY, nullptr},
      };
      SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
      const char recordType = in.front();
      const std::size_t plainBefore = plain.size();
      SECURITY_STATUS status = DecryptMessage(context_.Get(), &desc, 0, nullptr);
      if (status == SEC_E_INCOMPLETE_MESSAGE) return true;
      if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
        throw SspiError("DecryptMessage", status);
      }
      SecBuffer noExtra{0, SECBUFFER_EMPTY, nullptr};
      const SecBuffer* extra = &noExtra;
      for (const SecBuffer& b : buffers) {
        if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0) {
          plain.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
        } else if (b.BufferType == SECBUFFER_EXTRA) {
          extra = &b;
        }
      }
      KeepUnused(*extra, in);
      // Wine (8) reports the server's close_notify as an empty SEC_E_OK instead of
      // SEC_I_CONTEXT_EXPIRED; in TLS 1.2, its only version there, the record header still
      // shows an alert. No other alert reaches here: fatal ones fail the call, and warnings
      // besides close_notify answer renegotiations that we never start.
      const bool emptyAlert =
          status == SEC_E_OK && recordType == kAlertRecord && plain.size() == plainBefore;
      if (status == SEC_I_CONTEXT_EXPIRED || emptyAlert) {
        closed_ = true;
        return false;
      }
      // A TLS 1.2 renegotiation or a TLS 1.3 message after the handshake (session ticket, key
      // update): what follows goes to InitializeSecurityContext until it is done with it
      // ("Recognizing a Request to Renegotiate a Connection" on learn.microsoft.com).
      if (status == SEC_I_RENEGOTIATE) renegotiating_ = true;
    }
    return true;
  }

 private:
  enum class Progress { NeedMore, Continue, Done };

  static constexpr unsigned long kRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                            ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                            ISC_REQ_STREAM | ISC_REQ_USE_SUPPLIED_CREDS |
                                            ISC_REQ_MANUAL_CRED_VALIDATION;

  // TLS 1.2 and 1.3 through SCH_CREDENTIALS where the system knows it (Windows 10 1809 and
  // later); otherwise the older SCHANNEL_CRED, which reaches at most TLS 1.2 there.
  void AcquireCredentials() {
    const DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS |
                        SCH_CRED_NO_SERVERNAME_CHECK | SCH_USE_STRONG_CRYPTO;
    TLS_PARAMETERS tls{};
    tls.grbitDisabledProtocols =
        static_cast<DWORD>(~(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT));
    SCH_CREDENTIALS modern{};
    modern.dwVersion = SCH_CREDENTIALS_VERSION;
    modern.dwFlags = flags;
    modern.cTlsParameters = 1;
    modern.pTlsParameters = &tls;
    SECURITY_STATUS status = Acquire(&modern);
    if (status == SEC_E_OK) return;
    SCHANNEL_CRED legacy{};
    legacy.dwVersion = SCHANNEL_CRED_VERSION;
    legacy.dwFlags = flags;
    legacy.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    status = Acquire(&legacy);
    if (status != SEC_E_OK) throw SspiError("AcquireCredentialsHandle", status);
  }

  SECURITY_STATUS Acquire(void* authData) {
    wchar_t package[] = UNISP_NAME_W;
    TimeStamp expiry;
    return AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, authData,
                                     nullptr, nullptr, credentials_.Get(), &expiry);
  }

  // One call of InitializeSecurityContext: in == nullptr for the first, which only produces
  // the ClientHello. Consumes from in what it used and appends its answer to out.
  Progress Step(std::string* in, std::string& out) {
    if (in) CheckRecordStart(*in);
    for (int attempt = 0;; ++attempt) {
      SecBuffer inBuffers[2] = {
          {in ? static_cast<unsigned long>(in->size()) : 0, SECBUFFER_TOKEN,
           in ? in->data() : nullptr},
          {0, SECBUFFER_EMPTY, nullptr},
      };
      SecBufferDesc inDesc{SECBUFFER_VERSION, 2, inBuffers};
      SecBuffer outBuffers[1] = {{0, SECBUFFER_TOKEN, nullptr}};
      SecBufferDesc outDesc{SECBUFFER_VERSION, 1, outBuffers};
      const bool first = !context_.Valid();
      unsigned long attributes = 0;
      SECURITY_STATUS status = InitializeSecurityContextW(
          credentials_.Get(), first ? nullptr : context_.Get(),
          target_.empty() ? nullptr : target_.data(), kRequest, 0, 0, in ? &inDesc : nullptr, 0,
          context_.Get(), &outDesc, &attributes, nullptr);
      ContextBuffer token(outBuffers[0].pvBuffer);
      if (status == SEC_E_INCOMPLETE_MESSAGE) return Progress::NeedMore;
      if (status == SEC_I_INCOMPLETE_CREDENTIALS && attempt == 0) {
        // The server asks for a client certificate; we have none, and Schannel answers without
        // one when asked again with the same input.
        continue;
      }
      if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
        throw SspiError("InitializeSecurityContext", status);
      }
      if (token && outBuffers[0].cbBuffer > 0) {
        out.append(static_cast<const char*>(token.get()), outBuffers[0].cbBuffer);
      }
      if (in) KeepUnused(inBuffers[1], *in);
      return status == SEC_E_OK ? Progress::Done : Progress::Continue;
    }
  }

  bool Opened() {
    // Wine (8) takes SCH_CREDENTIALS but not its disabled protocols, and agrees to TLS 1.0
    // and 1.1; so the version is checked here, on every system.
    SecPkgContext_ConnectionInfo connection{};
    SECURITY_STATUS status =
        QueryContextAttributesW(context_.Get(), SECPKG_ATTR_CONNECTION_INFO, &connection);
    if (status != SEC_E_OK) {
      throw SspiError("QueryContextAttributes(SECPKG_ATTR_CONNECTION_INFO)", status);
    }
    if ((connection.dwProtocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT)) == 0) {
      throw TlsFailure(TlsCondition::OldVersion, HexCode(connection.dwProtocol));
    }
    QueryStreamSizes();
    const CERT_CONTEXT* remote = nullptr;
    status = QueryContextAttributesW(context_.Get(), SECPKG_ATTR_REMOTE_CERT_CONTEXT, &remote);
    if (status != SEC_E_OK || remote == nullptr) {
      throw SspiError("QueryContextAttributes(SECPKG_ATTR_REMOTE_CERT_CONTEXT)", status);
    }
    UniqueCert leaf(remote);
    DWORD size = static_cast<DWORD>(sha256_.size());
    if (!CryptHashCertificate2(L"SHA256", 0, nullptr, leaf->pbCertEncoded, leaf->cbCertEncoded,
                               sha256_.data(), &size) ||
        size != sha256_.size()) {
      throw TlsFailure(TlsCondition::NoFingerprint, HexCode(GetLastError()));
    }
    verifier_.emplace(std::move(leaf));
    open_ = true;
    return true;
  }

  void QueryStreamSizes() {
    SECURITY_STATUS status =
        QueryContextAttributesW(context_.Get(), SECPKG_ATTR_STREAM_SIZES, &sizes_);
    if (status != SEC_E_OK)
      throw SspiError("QueryContextAttributes(SECPKG_ATTR_STREAM_SIZES)", status);
  }

  std::wstring target_;
  Credentials credentials_;
  SecurityContext context_;
  SecPkgContext_StreamSizes sizes_{};
  std::optional<SchannelVerifier> verifier_;
  Sha256 sha256_{};
  bool open_ = false;
  bool renegotiating_ = false;
  bool closed_ = false;
};

}  // namespace

}  // namespace pw::win32

namespace pw {

std::unique_ptr<TlsEngine> MakeTlsEngine(const std::string& serverName) {
  return std::make_unique<win32::SchannelTls>(serverName);
}

}  // namespace pw
