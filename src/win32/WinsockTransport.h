// The transport over Winsock: the system calls beneath SocketTransport. Without a pump the waits
// are select(); with one, the thread sleeps on the socket's network event and the message queue.
#pragma once

#include "platform/SocketTransport.h"
#include "win32/Win32.h"

namespace pw::win32 {

// WSAStartup once per process; raises the transport's error when it fails.
void StartWinsock();

class WinsockTransport : public SocketTransport {
 public:
  explicit WinsockTransport(WaitPump pump = {});
  // A connection already made (accepted by a listener), owned from now on.
  WinsockTransport(SOCKET connected, WaitPump pump);
  ~WinsockTransport() override;

 protected:
  Socket StartConnect(const std::string& address, int port, bool& connected, int& error) override;
  Woke WaitConnects(std::vector<Attempt>& attempts, int ms) override;
  void Adopt(Socket s) override;
  void CloseSocket(Socket s) override;
  std::ptrdiff_t SendSome(Socket s, std::string_view data) override;
  std::ptrdiff_t ReceiveSome(Socket s, char* buffer, std::size_t capacity) override;
  Woke WaitSocket(Socket s, bool write, int ms) override;
  AppError SystemError(int code) override;
  std::vector<std::string> LookUp(const std::string& host) override;
  int SliceMs() const override;

 private:
  // The network events of s signal event_ from now on (one call for as long as they stay).
  void Select(SOCKET s, long events);
  // select() on one socket for up to ms.
  Woke Look(SOCKET socket, bool write, int ms);
  // Sleeps up to ms on event_ and the message queue.
  Woke Sleep(int ms);

  WSAEVENT event_ = WSA_INVALID_EVENT;
  SOCKET selected_ = INVALID_SOCKET;  // the socket whose events event_ stands for
  long events_ = 0;
};

}  // namespace pw::win32
