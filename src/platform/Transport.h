// The byte stream to a server (one TCP connection), with a time limit on every step.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/AppError.h"
#include "common/ErrorCatalog.h"

namespace pw {

// The error of a transport (numbers kNet* of common/ErrorCatalog.h). `detail` is the host name
// for kNetHostNotFound and the system's own error code for kNetFailure.
inline AppError NetError(std::int32_t number, const std::string& detail = {}) {
  return AppError(number, "Transport", ErrorDescription(number, detail));
}

class Transport {
 public:
  virtual ~Transport() = default;
  // Resolves host (IPv4 or IPv6) and connects to the first address that answers, all within
  // timeoutMs.
  virtual void Connect(const std::string& host, int port, int timeoutMs) = 0;
  // Connects to the first of the numeric addresses that answers, all within timeoutMs. The
  // socket transports race them (Happy Eyeballs, RFC 8305): a silent address does not use up
  // the time of those after it. This plain form tries them one after another.
  virtual void ConnectAny(const std::vector<std::string>& addresses, int port, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    AppError last = NetError(kNetRefused);
    for (const std::string& address : addresses) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) throw NetError(kNetTimedOut);
      try {
        Connect(address, port, static_cast<int>(left.count()));
        return;
      } catch (const AppError& e) {
        if (e.Number() == kNetAborted) throw;
        last = e;
      }
    }
    throw last;
  }
  // Writes all of data, giving up when the peer takes none of it for timeoutMs.
  virtual void Send(std::string_view data, int timeoutMs) = 0;
  // Waits up to timeoutMs for data and returns what arrived (at most capacity bytes);
  // 0 means the peer closed the connection.
  virtual std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) = 0;
  // Drops the connection; harmless when there is none.
  virtual void Close() = 0;
};

// What a transport does while it waits on the network: serve the program's window messages, so
// the user interface keeps answering. Answers false once the program is ending. A wait ends
// with kNetAborted when the pump answers false or closes the transport from an event handler.
// The socket transports also serve it at least every kPumpEveryMs while data keeps arriving, so
// a server that never stops sending cannot starve the window either.
using WaitPump = std::function<bool()>;
inline constexpr int kPumpEveryMs = 50;

// The socket transport of this platform (POSIX sockets or Winsock); without a pump it simply
// blocks while it waits.
std::unique_ptr<Transport> MakeSocketTransport(WaitPump pump = {});

}  // namespace pw
