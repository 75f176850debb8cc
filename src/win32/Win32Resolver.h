// The resolver over GetAddrInfoW: the lookup runs on a thread of its own, and the caller sleeps
// on its completion and on the message queue at once, serving the pump.
#pragma once

#include <string>
#include <vector>

#include "platform/Resolver.h"

namespace pw::win32 {

// Looks host up on the calling thread and answers its numeric addresses in the order to try
// them; raises LookupError's numbers.
std::vector<std::string> LookUpBlocking(const std::string& host);

class Win32Resolver : public Resolver {
 public:
  explicit Win32Resolver(WaitPump pump = {}) : pump_(std::move(pump)) {}
  std::vector<std::string> Resolve(const std::string& host, int timeoutMs) override;

 private:
  WaitPump pump_;
};

}  // namespace pw::win32
