#include "win32/Win32Resolver.h"

#include <memory>

#include "platform/SocketErrors.h"
#include "platform/ThreadedResolver.h"
#include "win32/Strconv.h"
#include "win32/Win32.h"
#include "win32/WinsockTransport.h"

namespace pw::win32 {
namespace {

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

// The lookup's completion as an event, so that the caller can sleep on it and on its message
// queue at once.
class EventSignal : public LookupSignal {
 public:
  explicit EventSignal(bool pumping)
      : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), pumping_(pumping) {
    if (!done_) throw SocketError(SocketCondition::Other, static_cast<int>(GetLastError()));
  }
  ~EventSignal() override { CloseHandle(done_); }
  EventSignal(const EventSignal&) = delete;
  EventSignal& operator=(const EventSignal&) = delete;
  void Set() override { SetEvent(done_); }
  Woke Wait(int ms) override {
    const DWORD wait = static_cast<DWORD>(ms);
    const DWORD woke =
        pumping_ ? MsgWaitForMultipleObjectsEx(1, &done_, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
                 : WaitForSingleObject(done_, wait);
    if (woke == WAIT_FAILED) {
      throw SocketError(SocketCondition::Other, static_cast<int>(GetLastError()));
    }
    if (woke == WAIT_OBJECT_0) return Woke::Ready;
    return woke == WAIT_TIMEOUT ? Woke::TimedOut : Woke::Messages;
  }

 private:
  HANDLE done_;
  bool pumping_;
};

std::shared_ptr<LookupSignal> MakeEventSignal(bool pumping) {
  return std::make_shared<EventSignal>(pumping);
}

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

}  // namespace pw::win32

namespace pw {

std::unique_ptr<Resolver> MakeSystemResolver(WaitPump pump) {
  // A thread rather than GetAddrInfoExW with an overlapped completion: that form needs Windows 8
  // and its cancellation does not reach every name service provider; a thread given up at the
  // deadline simply finishes on its own. The slice only bounds a missed wake-up.
  return std::make_unique<ThreadedResolver>(std::move(pump), &win32::LookUpBlocking,
                                            &win32::MakeEventSignal, 100);
}

}  // namespace pw
