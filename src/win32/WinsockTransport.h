// The transport over Winsock: non-blocking connect and I/O bounded by select(); with a pump, the
// waits also serve the program's window messages.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/Transport.h"
#include "win32/Win32.h"

namespace pw::win32 {

// WSAStartup once per process; raises the transport's error when it fails.
void StartWinsock();

class WinsockTransport : public Transport {
 public:
  explicit WinsockTransport(WaitPump pump = {});
  // A connection already made (accepted by a listener), owned from now on.
  WinsockTransport(SOCKET connected, WaitPump pump);
  ~WinsockTransport() override;
  WinsockTransport(const WinsockTransport&) = delete;
  WinsockTransport& operator=(const WinsockTransport&) = delete;

  // Looks host up itself (blocking) and connects as ConnectAny does.
  void Connect(const std::string& host, int port, int timeoutMs) override;
  void ConnectAny(const std::vector<std::string>& addresses, int port, int timeoutMs) override;
  void Send(std::string_view data, int timeoutMs) override;
  std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) override;
  void Close() override;

 private:
  enum class Ready { Yes, TimedOut, Failed };
  using Clock = std::chrono::steady_clock;
  Ready WaitFor(SOCKET s, bool write, Clock::time_point deadline);
  // Serves the pump when it has not been served for kPumpEveryMs, whatever the socket does.
  void ServeIfDue();

  WaitPump pump_;
  WSAEVENT event_ = WSA_INVALID_EVENT;
  SOCKET socket_ = INVALID_SOCKET;
  Clock::time_point lastServed_ = Clock::now();
  unsigned closes_ = 0;  // counts Close() calls, so a wait sees one made by its pump
};

}  // namespace pw::win32
