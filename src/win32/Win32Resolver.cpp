#include "win32/Win32Resolver.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/SocketErrors.h"
#include "win32/Strconv.h"
#include "win32/Win32.h"
#include "win32/WinsockTransport.h"

namespace pw::win32 {
namespace {

using Clock = std::chrono::steady_clock;

LookupCondition ConditionOf(int rc) {
  switch (rc) {
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA:
      return LookupCondition::NotFound;
    // WSANO_RECOVERY is what a failing name server (SERVFAIL) comes to: nothing about the name.
    case WSATRY_AGAIN:
    case WSANO_RECOVERY:
    case WSAENETDOWN:
    case WSAENETUNREACH:
      return LookupCondition::Temporary;
    default:
      return LookupCondition::Other;
  }
}

// What the lookup thread hands to the waiting caller; either may be gone first. The event is
// closed by whichever lets go of the lookup last.
struct Lookup {
  Lookup() : done(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Lookup() {
    if (done) CloseHandle(done);
  }
  Lookup(const Lookup&) = delete;
  Lookup& operator=(const Lookup&) = delete;
  HANDLE done;
  std::mutex mutex;
  std::vector<std::string> addresses;
  std::optional<AppError> error;
};

}  // namespace

std::vector<std::string> LookUpBlocking(const std::string& host) {
  StartWinsock();
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  ADDRINFOW* list = nullptr;
  const int rc = GetAddrInfoW(Widen(host).c_str(), nullptr, &hints, &list);
  if (rc != 0) throw LookupError(ConditionOf(rc), host, rc);
  std::vector<std::string> addresses;
  for (ADDRINFOW* a = list; a != nullptr; a = a->ai_next) {
    wchar_t text[NI_MAXHOST];
    if (GetNameInfoW(a->ai_addr, static_cast<socklen_t>(a->ai_addrlen), text, NI_MAXHOST, nullptr,
                     0, NI_NUMERICHOST) == 0) {
      addresses.push_back(Narrow(text));
    }
  }
  FreeAddrInfoW(list);
  if (addresses.empty()) throw LookupError(LookupCondition::NotFound, host, 0);
  return InterleaveFamilies(addresses);
}

// A thread rather than GetAddrInfoExW with an overlapped completion: that form needs Windows 8
// and its cancellation does not reach every name service provider; a thread given up at the
// deadline simply finishes on its own.
std::vector<std::string> Win32Resolver::Resolve(const std::string& host, int timeoutMs) {
  auto lookup = std::make_shared<Lookup>();
  if (!lookup->done) throw SocketError(SocketCondition::Other, static_cast<int>(GetLastError()));
  std::thread([lookup, host] {
    std::vector<std::string> addresses;
    std::optional<AppError> error;
    try {
      addresses = LookUpBlocking(host);
    } catch (const AppError& e) {
      error = e;
    }
    {
      std::lock_guard<std::mutex> lock(lookup->mutex);
      lookup->addresses = std::move(addresses);
      lookup->error = std::move(error);
    }
    SetEvent(lookup->done);
  }).detach();

  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const DWORD wait = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
    const DWORD woke = pump_ ? MsgWaitForMultipleObjectsEx(1, &lookup->done, wait, QS_ALLINPUT,
                                                           MWMO_INPUTAVAILABLE)
                             : WaitForSingleObject(lookup->done, wait);
    if (woke == WAIT_OBJECT_0) {
      std::lock_guard<std::mutex> lock(lookup->mutex);
      if (lookup->error) throw *lookup->error;
      return std::move(lookup->addresses);
    }
    if (woke == WAIT_FAILED) {
      throw SocketError(SocketCondition::Other, static_cast<int>(GetLastError()));
    }
    // Given up here; the thread finishes on its own and drops its share of the lookup.
    if (woke == WAIT_TIMEOUT || wait == 0) {
      throw LookupError(LookupCondition::Temporary, host, 0);
    }
    if (!pump_()) throw NetError(kNetAborted);
  }
}

}  // namespace pw::win32

namespace pw {

std::unique_ptr<Resolver> MakeSystemResolver(WaitPump pump) {
  return std::make_unique<win32::Win32Resolver>(std::move(pump));
}

}  // namespace pw
