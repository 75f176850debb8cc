// Loopback sockets the integration tests need besides Dovecot: a silent listener, a closed port.
#pragma once

#include <atomic>
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

// Listens on address:port with its backlog filled, so that a further connect gets no answer at
// all (the system drops its SYN): an address of the server that is filtered.
class StuckListener {
 public:
  StuckListener(const char* address, int port);
  ~StuckListener();
  StuckListener(const StuckListener&) = delete;
  StuckListener& operator=(const StuckListener&) = delete;

 private:
  std::intptr_t listener_;
  std::intptr_t fillers_[2];
};

// Listens on 127.0.0.1 for one connection: greets, answers the first line with OK and from then
// on sends "* 1 EXISTS" without end, until the client goes or the server is destroyed.
class FloodingServer {
 public:
  FloodingServer();
  ~FloodingServer();
  FloodingServer(const FloodingServer&) = delete;
  FloodingServer& operator=(const FloodingServer&) = delete;
  int Port() const { return port_; }

 private:
  void Serve();

  std::intptr_t listener_;
  std::atomic<std::intptr_t> connection_{-1};
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A port on 127.0.0.1 that was free a moment ago and that nothing listens on.
int ClosedPort();

}  // namespace pw::test
