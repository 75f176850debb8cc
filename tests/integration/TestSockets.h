// Loopback sockets the integration tests need besides Dovecot: a silent listener, a closed port.
#pragma once

#include <cstdint>

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

// A port on 127.0.0.1 that was free a moment ago and that nothing listens on.
int ClosedPort();

}  // namespace pw::test
