// One lookup of the server's name per check run, shared by the connections that run at once.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Resolver.h"

namespace pw {

// The addresses found last, kept until Forget; safe to use from several threads.
class SharedAddresses {
 public:
  // The addresses of host: those kept, or looked up through resolver while the others wait.
  std::vector<std::string> Resolve(Resolver& resolver, const std::string& host, int timeoutMs) {
    std::lock_guard<std::mutex> lookup(lookup_);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!addresses_.empty() && host_ == host) return addresses_;
    }
    std::vector<std::string> found = resolver.Resolve(host, timeoutMs);
    std::lock_guard<std::mutex> lock(mutex_);
    host_ = host;
    addresses_ = found;
    return found;
  }
  void Forget() {
    std::lock_guard<std::mutex> lock(mutex_);
    addresses_.clear();
  }

 private:
  std::mutex lookup_;  // held through a lookup, so that one connection asks and the others wait
  std::mutex mutex_;
  std::string host_;
  std::vector<std::string> addresses_;
};

// A connection's resolver that asks the shared addresses first.
class SharedResolver : public Resolver {
 public:
  SharedResolver(std::shared_ptr<SharedAddresses> shared, std::unique_ptr<Resolver> own)
      : shared_(std::move(shared)), own_(std::move(own)) {}
  std::vector<std::string> Resolve(const std::string& host, int timeoutMs) override {
    return shared_->Resolve(*own_, host, timeoutMs);
  }

 private:
  std::shared_ptr<SharedAddresses> shared_;
  std::unique_ptr<Resolver> own_;
};

}  // namespace pw
