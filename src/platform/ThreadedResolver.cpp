#include "platform/ThreadedResolver.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace pw {
namespace {

// What the lookup thread hands to the waiting caller; either may be gone first.
struct Lookup {
  std::shared_ptr<LookupSignal> done;
  std::mutex mutex;
  std::vector<std::string> addresses;
  std::optional<AppError> error;
};

class ThreadSignal : public LookupSignal {
 public:
  void Set() override {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = true;
    cv_.notify_all();
  }
  Woke Wait(int ms) override {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return set_; })
               ? Woke::Ready
               : Woke::TimedOut;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool set_ = false;
};

}  // namespace

std::shared_ptr<LookupSignal> MakeThreadSignal(bool) { return std::make_shared<ThreadSignal>(); }

std::vector<std::string> ThreadedResolver::Resolve(const std::string& host, int timeoutMs) {
  auto lookup = std::make_shared<Lookup>();
  lookup->done = signal_(static_cast<bool>(pump_));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::thread([lookup, host, lookUp = lookUp_] {
    std::vector<std::string> addresses;
    std::optional<AppError> error;
    try {
      addresses = lookUp(host);
    } catch (const AppError& e) {
      error = e;
    }
    {
      std::lock_guard<std::mutex> lock(lookup->mutex);
      lookup->addresses = std::move(addresses);
      lookup->error = std::move(error);
    }
    lookup->done->Set();
  }).detach();

  // Given up at the deadline: the thread finishes on its own and drops its share of the lookup.
  if (!AwaitReady(deadline, pump_, sliceMs_, [&](int ms) { return lookup->done->Wait(ms); })) {
    throw LookupError(LookupCondition::Temporary, host, 0);
  }
  std::lock_guard<std::mutex> lock(lookup->mutex);
  if (lookup->error) throw *lookup->error;
  return std::move(lookup->addresses);
}

}  // namespace pw
