// A connection secured with TLS: drives a platform engine over an established transport and
// judges the server's certificate.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/Tls.h"
#include "platform/Transport.h"

namespace pw::imap {

// Whom the server must prove to be.
struct TlsPeer {
  std::string host;           // the certificate must be issued for this name or address
  std::optional<Sha256> pin;  // this exact certificate instead of a chain to a trusted root
};

class SecureTransport : public Transport {
 public:
  // raw is connected already; nothing has been sent over it in TLS yet.
  SecureTransport(std::unique_ptr<Transport> raw, std::unique_ptr<TlsEngine> engine);

  // The handshake and the judgement of the certificate, within timeoutMs. Raises kTlsFailed,
  // kTlsUntrusted, kTlsWrongHost or kTlsPinMismatch, or the transport's own errors; a
  // connection that fails here is closed.
  void Handshake(const TlsPeer& peer, int timeoutMs);

  // Connected already: raises.
  void Connect(const std::string& host, int port, int timeoutMs) override;
  void Send(std::string_view data, int timeoutMs) override;
  std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) override;
  void Close() override;

 private:
  using Clock = std::chrono::steady_clock;
  std::size_t ReceiveRaw(Clock::time_point deadline);
  void Verify(const TlsPeer& peer);

  std::unique_ptr<Transport> raw_;
  std::unique_ptr<TlsEngine> engine_;
  std::string in_;     // records from the server not yet opened
  std::string plain_;  // opened text not yet handed out
  std::size_t plainPos_ = 0;
  bool ended_ = false;  // the server ended the TLS session
  bool ready_ = false;
};

}  // namespace pw::imap
