// Loopback sockets the integration tests need besides Dovecot: a silent listener, a closed port.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace pw::test {

// Listens on 127.0.0.1 and never accepts: connects complete in the backlog, no greeting comes.
class SilentListener {
 public:
  SilentListener();
  ~SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  int Port() const { return port_; }

 private:
  std::intptr_t socket_;
  int port_ = 0;
};

// Listens on 127.0.0.1 for one connection and takes `delay` for every reply: the greeting, then
// "<tag> OK done" for every line the client sends.
class DawdlingServer {
 public:
  explicit DawdlingServer(std::chrono::milliseconds delay);
  ~DawdlingServer();
  DawdlingServer(const DawdlingServer&) = delete;
  DawdlingServer& operator=(const DawdlingServer&) = delete;
  int Port() const { return port_; }

 private:
  void Serve();
  bool Dawdle();  // false when the server is to stop

  std::intptr_t listener_;
  std::intptr_t connection_ = -1;
  int port_ = 0;
  std::chrono::milliseconds delay_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

// A port on 127.0.0.1 that was free a moment ago and that nothing listens on.
int ClosedPort();

}  // namespace pw::test
