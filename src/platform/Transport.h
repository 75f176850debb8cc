// The byte stream to a server (one TCP connection), with a time limit on every step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

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
using WaitPump = std::function<bool()>;

// The socket transport of this platform (POSIX sockets or Winsock); without a pump it simply
// blocks while it waits.
std::unique_ptr<Transport> MakeSocketTransport(WaitPump pump = {});

}  // namespace pw
