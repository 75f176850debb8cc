#include "imap/SecureTransport.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "imap/CertificateNames.h"
#include "imap/ServerSecurity.h"

namespace pw::imap {
namespace {

constexpr std::size_t kChunk = 16 * 1024 + 512;  // one TLS record with its overhead

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) throw NetError(kNetTimedOut);
  return static_cast<int>(std::min<long long>(left.count(), 0x7FFFFFFF));
}

}  // namespace

SecureTransport::SecureTransport(std::unique_ptr<Transport> raw, std::unique_ptr<TlsEngine> engine)
    : raw_(std::move(raw)), engine_(std::move(engine)) {}

void SecureTransport::Connect(const std::string&, int, int) {
  throw std::logic_error("SecureTransport: connected already");
}

std::size_t SecureTransport::ReceiveRaw(Clock::time_point deadline) {
  std::size_t had = in_.size();
  in_.resize(had + kChunk);
  std::size_t got = 0;
  try {
    got = raw_->Receive(in_.data() + had, kChunk, MillisecondsLeft(deadline));
  } catch (...) {
    in_.resize(had);
    throw;
  }
  in_.resize(had + got);
  return got;
}

void SecureTransport::Handshake(const TlsPeer& peer, int timeoutMs) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  try {
    for (;;) {
      std::string out;
      bool done = engine_->Handshake(in_, out);
      if (!out.empty()) raw_->Send(out, MillisecondsLeft(deadline));
      if (done) break;
      if (ReceiveRaw(deadline) == 0) {
        throw TlsError(kTlsFailed,
                       ErrorDescription(kTlsFailed, "Der Server hat die Verbindung getrennt."));
      }
    }
    Verify(peer);
  } catch (...) {
    Close();
    throw;
  }
  ready_ = true;
}

void SecureTransport::Verify(const TlsPeer& peer) {
  Sha256 leaf = engine_->LeafSha256();
  if (peer.pin) {
    // The certificate the office named stands in for the chain; it must still be issued for
    // the host the settings name.
    if (leaf != *peer.pin) {
      throw TlsError(kTlsPinMismatch, ErrorDescription(kTlsPinMismatch, FormatFingerprint(leaf)));
    }
  } else {
    std::string problem = engine_->ChainProblem();
    if (!problem.empty()) {
      throw TlsError(kTlsUntrusted,
                     ErrorDescription(kTlsUntrusted, {problem, FormatFingerprint(leaf)}));
    }
  }
  if (!CertificateMatchesHost(engine_->LeafNames(), peer.host)) {
    throw TlsError(kTlsWrongHost, ErrorDescription(kTlsWrongHost, peer.host));
  }
}

void SecureTransport::Send(std::string_view data, int timeoutMs) {
  if (!ready_) throw NetError(kNetClosed);
  std::string out;
  engine_->Encrypt(data, out);
  raw_->Send(out, timeoutMs);
}

std::size_t SecureTransport::Receive(char* buffer, std::size_t capacity, int timeoutMs) {
  if (!ready_) throw NetError(kNetClosed);
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (plainPos_ == plain_.size()) {
    plain_.clear();
    plainPos_ = 0;
    if (ended_) return 0;
    if (!in_.empty()) {
      std::string out;
      ended_ = !engine_->Decrypt(in_, plain_, out);
      if (!out.empty()) raw_->Send(out, MillisecondsLeft(deadline));
      if (plainPos_ != plain_.size() || ended_) continue;
    }
    // A server that drops the connection without close_notify: IMAP's own framing tells a cut
    // reply from a whole one, so this is the same as a closed connection.
    if (ReceiveRaw(deadline) == 0) return 0;
  }
  std::size_t n = std::min(capacity, plain_.size() - plainPos_);
  std::memcpy(buffer, plain_.data() + plainPos_, n);
  plainPos_ += n;
  return n;
}

void SecureTransport::Close() {
  ready_ = false;
  raw_->Close();
}

}  // namespace pw::imap
