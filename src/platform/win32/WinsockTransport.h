// The transport over Winsock: non-blocking connect and I/O bounded by select(); with a pump, the
// waits also serve the program's window messages.
#pragma once

#include <chrono>

#include "platform/Transport.h"
#include "platform/win32/Win32.h"

namespace pw::win32 {

class WinsockTransport : public Transport {
 public:
  explicit WinsockTransport(WaitPump pump = {});
  // A connection already made (accepted by a listener), owned from now on.
  WinsockTransport(SOCKET connected, WaitPump pump);
  ~WinsockTransport() override;
  WinsockTransport(const WinsockTransport&) = delete;
  WinsockTransport& operator=(const WinsockTransport&) = delete;

  void Connect(const std::string& host, int port, int timeoutMs) override;
  void Send(std::string_view data, int timeoutMs) override;
  std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) override;
  void Close() override;

 private:
  enum class Ready { Yes, TimedOut, Failed };
  using Clock = std::chrono::steady_clock;
  Ready WaitFor(SOCKET s, bool write, Clock::time_point deadline);
  int ConnectOne(SOCKET s, const ADDRINFOW& a, Clock::time_point deadline);

  WaitPump pump_;
  WSAEVENT event_ = WSA_INVALID_EVENT;
  SOCKET socket_ = INVALID_SOCKET;
  unsigned closes_ = 0;  // counts Close() calls, so a wait sees one made by its pump
};

}  // namespace pw::win32
