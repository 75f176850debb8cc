// The transport over POSIX sockets: the system calls beneath SocketTransport, waits by poll().
#pragma once

#include "platform/SocketTransport.h"

namespace pw {

class PosixTransport : public SocketTransport {
 public:
  explicit PosixTransport(WaitPump pump = {});
  // A connection already made (accepted by a listener); non-blocking, owned from now on.
  PosixTransport(int connectedFd, WaitPump pump);
  ~PosixTransport() override;

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
};

}  // namespace pw
