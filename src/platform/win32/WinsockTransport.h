// The transport over Winsock: non-blocking connect and I/O bounded by select().
#pragma once

#include "platform/Transport.h"
#include "platform/win32/Win32.h"

namespace pw::win32 {

class WinsockTransport : public Transport {
 public:
  WinsockTransport();
  ~WinsockTransport() override;
  WinsockTransport(const WinsockTransport&) = delete;
  WinsockTransport& operator=(const WinsockTransport&) = delete;

  void Connect(const std::string& host, int port, int timeoutMs) override;
  void Send(std::string_view data, int timeoutMs) override;
  std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) override;
  void Close() override;

 private:
  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace pw::win32
