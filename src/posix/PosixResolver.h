// The resolver over getaddrinfo: the lookup runs on a thread of its own, the caller waits for it
// in short slices and serves its pump between them.
#pragma once

#include <string>
#include <vector>

#include "platform/Resolver.h"

namespace pw {

// Looks host up on the calling thread and answers its numeric addresses in the order to try
// them; raises LookupError's numbers.
std::vector<std::string> LookUpBlocking(const std::string& host);

class PosixResolver : public Resolver {
 public:
  explicit PosixResolver(WaitPump pump = {}) : pump_(std::move(pump)) {}
  std::vector<std::string> Resolve(const std::string& host, int timeoutMs) override;

 private:
  WaitPump pump_;
};

}  // namespace pw
