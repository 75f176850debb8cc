#include "posix/PosixResolver.h"

#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/SocketErrors.h"

namespace pw {
namespace {

using Clock = std::chrono::steady_clock;

// The longest the pump waits while a lookup is under way.
constexpr auto kSlice = std::chrono::milliseconds(20);

LookupCondition ConditionOf(int rc) {
  switch (rc) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
      return LookupCondition::NotFound;
    case EAI_AGAIN:
    case EAI_FAIL:
      return LookupCondition::Temporary;
    default:
      return LookupCondition::Other;
  }
}

// What the lookup thread hands to the waiting caller; either may be gone first.
struct Lookup {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::vector<std::string> addresses;
  std::optional<AppError> error;
};

}  // namespace

std::vector<std::string> LookUpBlocking(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &list);
  if (rc == EAI_SYSTEM) throw SocketError(SocketCondition::Other, errno);
  if (rc != 0) throw LookupError(ConditionOf(rc), host, rc);
  std::vector<std::string> addresses;
  for (addrinfo* a = list; a != nullptr; a = a->ai_next) {
    char text[NI_MAXHOST];
    if (getnameinfo(a->ai_addr, a->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) ==
        0) {
      addresses.emplace_back(text);
    }
  }
  freeaddrinfo(list);
  if (addresses.empty()) throw LookupError(LookupCondition::NotFound, host, 0);
  return InterleaveFamilies(addresses);
}

std::vector<std::string> PosixResolver::Resolve(const std::string& host, int timeoutMs) {
  auto lookup = std::make_shared<Lookup>();
  std::thread([lookup, host] {
    std::vector<std::string> addresses;
    std::optional<AppError> error;
    try {
      addresses = LookUpBlocking(host);
    } catch (const AppError& e) {
      error = e;
    }
    std::lock_guard<std::mutex> lock(lookup->mutex);
    lookup->addresses = std::move(addresses);
    lookup->error = std::move(error);
    lookup->finished = true;
    lookup->done.notify_all();
  }).detach();

  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(lookup->mutex);
      const Clock::time_point until = pump_ ? std::min(deadline, Clock::now() + kSlice) : deadline;
      if (lookup->done.wait_until(lock, until, [&] { return lookup->finished; })) {
        if (lookup->error) throw *lookup->error;
        return std::move(lookup->addresses);
      }
    }
    // Given up here; the thread finishes on its own and drops its share of the lookup.
    if (Clock::now() >= deadline) throw LookupError(LookupCondition::Temporary, host, 0);
    if (pump_ && !pump_()) throw NetError(kNetAborted);
  }
}

std::unique_ptr<Resolver> MakeSystemResolver(WaitPump pump) {
  return std::make_unique<PosixResolver>(std::move(pump));
}

}  // namespace pw
