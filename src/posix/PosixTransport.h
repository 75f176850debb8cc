// The transport over POSIX sockets: non-blocking connect and I/O bounded by poll(), with an
// optional pump served between short polls.
#pragma once

#include <netdb.h>

#include <chrono>

#include "platform/Transport.h"

namespace pw {

class PosixTransport : public Transport {
 public:
  explicit PosixTransport(WaitPump pump = {}) : pump_(std::move(pump)) {}
  // A connection already made (accepted by a listener); non-blocking, owned from now on.
  PosixTransport(int connectedFd, WaitPump pump) : pump_(std::move(pump)), fd_(connectedFd) {}
  ~PosixTransport() override;
  PosixTransport(const PosixTransport&) = delete;
  PosixTransport& operator=(const PosixTransport&) = delete;

  // Looks host up itself (blocking) and connects as ConnectAny does.
  void Connect(const std::string& host, int port, int timeoutMs) override;
  void ConnectAny(const std::vector<std::string>& addresses, int port, int timeoutMs) override;
  void Send(std::string_view data, int timeoutMs) override;
  std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) override;
  void Close() override;

 private:
  bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline);
  // Serves the pump when it has not been served for kPumpEveryMs, whatever the socket does.
  void ServeIfDue();

  WaitPump pump_;
  int fd_ = -1;
  std::chrono::steady_clock::time_point lastServed_ = std::chrono::steady_clock::now();
  unsigned closes_ = 0;  // counts Close() calls, so a wait sees one made by its pump
};

}  // namespace pw
