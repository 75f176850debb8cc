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

  void Connect(const std::string& host, int port, int timeoutMs) override;
  void Send(std::string_view data, int timeoutMs) override;
  std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) override;
  void Close() override;

 private:
  bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline);
  int ConnectOne(int fd, const addrinfo& a, std::chrono::steady_clock::time_point deadline);

  WaitPump pump_;
  int fd_ = -1;
  unsigned closes_ = 0;  // counts Close() calls, so a wait sees one made by its pump
};

}  // namespace pw
