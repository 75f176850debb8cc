// The transport over POSIX sockets: non-blocking connect and I/O bounded by poll().
#pragma once

#include "platform/Transport.h"

namespace pw {

class PosixTransport : public Transport {
 public:
  PosixTransport() = default;
  ~PosixTransport() override;
  PosixTransport(const PosixTransport&) = delete;
  PosixTransport& operator=(const PosixTransport&) = delete;

  void Connect(const std::string& host, int port, int timeoutMs) override;
  void Send(std::string_view data, int timeoutMs) override;
  std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) override;
  void Close() override;

 private:
  int fd_ = -1;
};

}  // namespace pw
