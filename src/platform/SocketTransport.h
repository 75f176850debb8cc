// The socket transports' logic for both platforms: the connect race (Happy Eyeballs), the send
// and receive loops with their time limits and the pump; each edge brings the system calls.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/NetWait.h"
#include "platform/Transport.h"

namespace pw {

class SocketTransport : public Transport {
 public:
  // A file descriptor or a Winsock SOCKET; kNoSocket is -1 and INVALID_SOCKET alike.
  using Socket = std::uintptr_t;
  static constexpr Socket kNoSocket = ~Socket{0};

  ~SocketTransport() override = default;
  SocketTransport(const SocketTransport&) = delete;
  SocketTransport& operator=(const SocketTransport&) = delete;

  // Looks host up itself (blocking) and connects as ConnectAny does.
  void Connect(const std::string& host, int port, int timeoutMs) final;
  // Happy Eyeballs: a new attempt starts when the ones in flight have not answered within the
  // attempt delay or have all failed; the first to connect wins, within the one deadline.
  void ConnectAny(const std::vector<std::string>& addresses, int port, int timeoutMs) final;
  void Send(std::string_view data, int timeoutMs) final;
  std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) final;
  void Close() final;

 protected:
  // refusedCode is the platform's code for a refused connection, the error when no address
  // could even be tried; connected is a connection already made (accepted by a listener).
  SocketTransport(WaitPump pump, int refusedCode, Socket connected = kNoSocket)
      : pump_(std::move(pump)), refusedCode_(refusedCode), socket_(connected) {}

  // One connect attempt in flight, and what a wait found it came to.
  struct Attempt {
    Socket socket = kNoSocket;
    enum { Pending, Connected, Failed } outcome = Pending;
    int error = 0;
  };

  // Starts a non-blocking connect to a numeric address: the socket (connected when it connected
  // at once), or kNoSocket with the system's code in error.
  virtual Socket StartConnect(const std::string& address, int port, bool& connected,
                              int& error) = 0;
  // Waits up to ms for any of the attempts to come to an outcome, which it marks; with a pump
  // it also returns when window messages arrive.
  virtual Woke WaitConnects(std::vector<Attempt>& attempts, int ms) = 0;
  // Readies the winning socket for the session (no Nagle delay, the waits' events).
  virtual void Adopt(Socket s) = 0;
  virtual void CloseSocket(Socket s) = 0;
  // One send or receive that does not block: the bytes taken or given (0 received: closed),
  // -1 when the socket would block; raises the platform's error.
  virtual std::ptrdiff_t SendSome(Socket s, std::string_view data) = 0;
  virtual std::ptrdiff_t ReceiveSome(Socket s, char* buffer, std::size_t capacity) = 0;
  // Waits up to ms for s to take data (write) or to have some; with a pump it also returns when
  // window messages arrive.
  virtual Woke WaitSocket(Socket s, bool write, int ms) = 0;
  // The transport's error for one of the platform's socket codes.
  virtual AppError SystemError(int code) = 0;
  // The host's addresses in the order to try them, looked up on this thread.
  virtual std::vector<std::string> LookUp(const std::string& host) = 0;
  // The longest one system wait lasts while the pump is to be served.
  virtual int SliceMs() const = 0;

  bool Pumping() const { return static_cast<bool>(pump_); }
  Socket Current() const { return socket_; }

 private:
  using Clock = std::chrono::steady_clock;
  // Waits for the socket within the deadline, serving the pump; false when the time ran out.
  bool Await(Socket s, bool write, Clock::time_point deadline);
  // Serves the pump now; raises kNetAborted when it answers false or closed this transport
  // (closes is the count of Close calls when the wait began).
  void Serve(unsigned closes);
  // Serves the pump when it has not been served for kPumpEveryMs, whatever the socket does.
  void ServeIfDue();

  WaitPump pump_;
  int refusedCode_;
  Socket socket_;
  Clock::time_point lastServed_ = Clock::now();
  unsigned closes_ = 0;  // counts Close() calls, so a wait sees one made by its pump
};

}  // namespace pw
