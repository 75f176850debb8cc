// Encryption of the connection to the mail server (TLS): the engine each platform supplies
// (OpenSSL on Linux, Schannel on Windows) and the error numbers of a secured connection.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/AppError.h"
#include "common/ErrorCatalog.h"

namespace pw {

// The error of a secured connection (numbers kTls* of common/ErrorCatalog.h).
inline AppError TlsError(std::int32_t number, std::string description) {
  return AppError(number, "TLS", std::move(description));
}

// What went wrong inside an engine; the texts stand in the catalogue (kDescTls*).
enum class TlsCondition {
  NoCommonAlgorithm,   // no TLS version or cipher both sides know
  BadData,             // the server sent malformed or altered records
  CertificateRefused,  // the platform refused the server's certificate during the handshake
  ClientCertificate,   // the server wants a client certificate
  VersionUnsupported,  // the platform does not support the TLS version
  CallFailed,          // a library call failed for another reason
  NotTls,              // what the server sends is no TLS
  NotEncrypted,        // records asked for before the handshake or after the close
  OldVersion,          // the server agreed only to a version before TLS 1.2
  NoFingerprint,       // the certificate's SHA-256 could not be computed
  NoEnvironment,       // the library's context could not be made
  NoSession,           // the library's session could not be made
  NoMemory,
  Handshake,            // the handshake failed
  NoServerCertificate,  // the handshake ended without the server's certificate
  Send,
  Receive,
};

// The engine's error for condition; detail is the platform's own word on it (a call and its
// code, the library's reason), or empty.
AppError TlsFailure(TlsCondition condition, std::string_view detail = {});

// Why a chain is not trusted, for TlsEngine::ChainProblem.
enum class ChainCondition {
  NoCertificate,  // the server sent none
  UntrustedRoot,
  Incomplete,  // no chain up to a trusted root
  Expired,     // expired or not yet valid
  WrongUsage,  // not meant for servers
  BadSignature,
  NotACa,      // a certificate of the chain may not issue certificates
  NotTrusted,  // any other refusal
  NotBuilt,    // the chain could not be built
  NotChecked,  // the chain could not be checked
};

// The text of condition, with the platform's code (detail) in it.
std::string ChainProblemText(ChainCondition condition, std::string_view detail = {});

using Sha256 = std::array<unsigned char, 32>;

// The names a certificate is issued for, as the platform read them; imap/CertificateNames
// decides whether they cover a host.
struct CertificateNames {
  std::vector<std::string> dnsNames;     // subjectAltName dNSName entries, UTF-8
  std::vector<std::string> addresses;    // subjectAltName iPAddress entries, 4 or 16 bytes each
  std::vector<std::string> commonNames;  // the subject's common names in their order, UTF-8
};

// One TLS client session, free of I/O: the caller feeds it what the server sent and sends what
// it produces, so every wait stays under the caller's time limit. Failures raise
// TlsError(kTlsFailed, …) with the library's reason in the description.
class TlsEngine {
 public:
  virtual ~TlsEngine() = default;

  // Moves the handshake on. Takes from the front of `in` what it can use (erasing it; an
  // incomplete record stays for the next call) and appends to `out` what must go to the server.
  // Returns true once the handshake is complete; `out` may then still hold a last flight.
  virtual bool Handshake(std::string& in, std::string& out) = 0;

  // About the server's certificate, once the handshake is complete.
  // SHA-256 over the DER encoding of the server's own (leaf) certificate.
  virtual Sha256 LeafSha256() const = 0;
  // Empty when the certificate chains to a root in the system's trust store and is within its
  // validity; otherwise the reason, for the error description. The host name is not part of it.
  virtual std::string ChainProblem() const = 0;
  // The names of the server's own certificate.
  virtual CertificateNames LeafNames() const = 0;

  // Seals plain text into records appended to `out`.
  virtual void Encrypt(std::string_view plain, std::string& out) = 0;
  // Opens the complete records at the front of `in` (erasing them) and appends their plain text
  // to `plain`; anything the TLS layer must answer (a key update, say) is appended to `out`.
  // Returns false once the server has ended the TLS session (close_notify).
  virtual bool Decrypt(std::string& in, std::string& plain, std::string& out) = 0;
};

// This platform's engine for a connection to serverName (sent as SNI unless it is an address).
std::unique_ptr<TlsEngine> MakeTlsEngine(const std::string& serverName);

}  // namespace pw
