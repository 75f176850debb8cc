// A listening socket on the loopback address, for the browser's redirect back to the program
// after the sign-in (RFC 8252 7.3).
#pragma once

#include <memory>

#include "platform/Transport.h"

namespace pw {

class LoopbackListener {
 public:
  virtual ~LoopbackListener() = default;
  // Binds 127.0.0.1 on a port the system chooses and answers it.
  virtual int Listen() = 0;
  // Waits up to timeoutMs for one connection, serving the pump meanwhile; nullptr when none
  // came. The pump answering false ends the wait with kNetAborted.
  virtual std::unique_ptr<Transport> Accept(int timeoutMs, const WaitPump& pump) = 0;
  virtual void Close() = 0;
};

std::unique_ptr<LoopbackListener> MakeLoopbackListener();

}  // namespace pw
