#include "win32/WinsockTransport.h"

#include <climits>
#include <mutex>
#include <vector>

#include "platform/SocketErrors.h"
#include "win32/Strconv.h"
#include "win32/Win32Resolver.h"

namespace pw::win32 {
namespace {

SocketCondition ConditionOf(int code) {
  switch (code) {
    case WSAETIMEDOUT:
      return SocketCondition::TimedOut;
    case WSAECONNREFUSED:
      return SocketCondition::Refused;
    case WSAENETUNREACH:
      return SocketCondition::NetUnreachable;
    case WSAEHOSTUNREACH:
      return SocketCondition::HostUnreachable;
    case WSAENETDOWN:
      return SocketCondition::NetDown;
    case WSAEHOSTDOWN:
      return SocketCondition::HostDown;
    case WSAECONNRESET:
      return SocketCondition::Reset;
    case WSAECONNABORTED:
      return SocketCondition::Aborted;
    case WSAESHUTDOWN:
      return SocketCondition::Shutdown;
    case WSAENETRESET:
      return SocketCondition::NetReset;
    default:
      return SocketCondition::Other;
  }
}

AppError WinsockError(int code) { return SocketError(ConditionOf(code), code); }

SOCKET Handle(SocketTransport::Socket s) { return static_cast<SOCKET>(s); }

timeval Timeval(int ms) { return timeval{ms / 1000, (ms % 1000) * 1000}; }

// The events a session's waits need: the connect's end, data, the peer's close. FD_WRITE only
// while a send waits, since it would signal once after every connect.
constexpr long kSessionEvents = FD_CONNECT | FD_READ | FD_CLOSE;

int PendingError(SOCKET s) {
  int error = 0;
  int len = sizeof error;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len) != 0) {
    return WSAGetLastError();
  }
  return error;
}

}  // namespace

// Winsock is left to the process end to clean up.
void StartWinsock() {
  static std::once_flag once;
  static int result = 0;
  std::call_once(once, [] {
    WSADATA data;
    result = WSAStartup(MAKEWORD(2, 2), &data);
  });
  if (result != 0) throw WinsockError(result);
}

WinsockTransport::WinsockTransport(WaitPump pump)
    : SocketTransport(std::move(pump), WSAECONNREFUSED) {}

WinsockTransport::WinsockTransport(SOCKET connected, WaitPump pump)
    : SocketTransport(std::move(pump), WSAECONNREFUSED, static_cast<Socket>(connected)) {
  u_long nonBlocking = 1;
  ioctlsocket(connected, FIONBIO, &nonBlocking);
}

WinsockTransport::~WinsockTransport() {
  Close();
  if (event_ != WSA_INVALID_EVENT) WSACloseEvent(event_);
}

void WinsockTransport::Select(SOCKET s, long events) {
  if (s == selected_ && events == events_) return;
  if (event_ == WSA_INVALID_EVENT) {
    event_ = WSACreateEvent();
    if (event_ == WSA_INVALID_EVENT) throw WinsockError(WSAGetLastError());
  }
  if (WSAEventSelect(s, event_, events) == SOCKET_ERROR) throw WinsockError(WSAGetLastError());
  selected_ = s;
  events_ = events;
}

// Every network call under Wine is a round trip to its server, so a pumped wait makes as few as
// it can: the event stays selected, and a wake-up is taken as ready without asking select();
// the caller's next send or receive tells (a stale wake-up costs one call that would block).
Woke WinsockTransport::Sleep(int ms) {
  const DWORD woke = MsgWaitForMultipleObjectsEx(1, &event_, static_cast<DWORD>(ms), QS_ALLINPUT,
                                                 MWMO_INPUTAVAILABLE);
  if (woke == WAIT_FAILED) throw WinsockError(static_cast<int>(GetLastError()));
  if (woke == WAIT_OBJECT_0) {
    WSAResetEvent(event_);
    return Woke::Ready;
  }
  return woke == WAIT_OBJECT_0 + 1 ? Woke::Messages : Woke::TimedOut;
}

SocketTransport::Socket WinsockTransport::StartConnect(const std::string& address, int port,
                                                       bool& connected, int& error) {
  StartWinsock();
  connected = false;
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICHOST;
  ADDRINFOW* a = nullptr;
  const std::wstring service = std::to_wstring(port);
  if (GetAddrInfoW(Widen(address).c_str(), service.c_str(), &hints, &a) != 0 || a == nullptr) {
    error = WSAEINVAL;
    return kNoSocket;
  }
  SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
  u_long nonBlocking = 1;
  if (s == INVALID_SOCKET) {
    error = WSAGetLastError();
  } else {
    // Commands are short and answered one burst at a time: Nagle would only add delay.
    BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    // WSAEventSelect makes the socket non-blocking as well.
    bool ready = true;
    if (Pumping()) {
      try {
        Select(s, kSessionEvents);
      } catch (const AppError&) {
        ready = false;
        error = WSAGetLastError();
      }
    } else if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
      ready = false;
      error = WSAGetLastError();
    }
    if (!ready) {
      closesocket(s);
      s = INVALID_SOCKET;
    } else if (connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
      connected = true;
    } else if ((error = WSAGetLastError()) != WSAEWOULDBLOCK) {
      closesocket(s);
      s = INVALID_SOCKET;
    }
  }
  FreeAddrInfoW(a);
  return s == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(s);
}

// select() rather than WSAPoll: WSAPoll does not report a refused connect on Windows before
// 10 version 2004, it waits out the timeout instead (see the WSAPoll remarks on
// learn.microsoft.com). A connect that failed shows in the exception set, one that worked in the
// write set.
Woke WinsockTransport::WaitConnects(std::vector<Attempt>& attempts, int ms) {
  if (Pumping()) {
    // The attempts share the one event; a wake-up is sorted out by the look below.
    const Woke woke = Sleep(ms);
    if (woke != Woke::Ready) return woke;
    ms = 0;
  }
  fd_set done;
  fd_set failed;
  FD_ZERO(&done);
  FD_ZERO(&failed);
  for (const Attempt& a : attempts) {
    FD_SET(Handle(a.socket), &done);
    FD_SET(Handle(a.socket), &failed);
  }
  timeval tv = Timeval(ms);
  const int n = select(0, nullptr, &done, &failed, &tv);
  if (n == SOCKET_ERROR) throw WinsockError(WSAGetLastError());
  if (n == 0) return Pumping() ? Woke::Ready : Woke::TimedOut;
  for (Attempt& a : attempts) {
    const SOCKET s = Handle(a.socket);
    if (FD_ISSET(s, &failed)) {
      const int error = PendingError(s);
      a.outcome = Attempt::Failed;
      a.error = error != 0 ? error : WSAECONNREFUSED;
    } else if (FD_ISSET(s, &done)) {
      a.outcome = Attempt::Connected;
    }
  }
  return Woke::Ready;
}

void WinsockTransport::Adopt(Socket) {}

void WinsockTransport::CloseSocket(Socket s) {
  if (Handle(s) == selected_) selected_ = INVALID_SOCKET;
  closesocket(Handle(s));
}

std::ptrdiff_t WinsockTransport::SendSome(Socket s, std::string_view data) {
  const int chunk = data.size() > INT_MAX ? INT_MAX : static_cast<int>(data.size());
  const int n = send(Handle(s), data.data(), chunk, 0);
  if (n != SOCKET_ERROR) return n;
  const int code = WSAGetLastError();
  if (code == WSAEWOULDBLOCK) return -1;
  throw WinsockError(code);
}

std::ptrdiff_t WinsockTransport::ReceiveSome(Socket s, char* buffer, std::size_t capacity) {
  const int chunk = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
  const int n = recv(Handle(s), buffer, chunk, 0);
  if (n != SOCKET_ERROR) return n;
  const int code = WSAGetLastError();
  if (code == WSAEWOULDBLOCK) return -1;
  throw WinsockError(code);
}

Woke WinsockTransport::WaitSocket(Socket s, bool write, int ms) {
  const SOCKET socket = Handle(s);
  if (Pumping()) {
    // A recv or send that would block re-enables its event, so none that comes after is
    // missed; only a newly selected event may have missed what came before it: a look first.
    const long events = write ? kSessionEvents | FD_WRITE : kSessionEvents;
    const bool fresh = socket != selected_ || events != events_;
    Select(socket, events);
    if (!fresh || Look(socket, write, 0) == Woke::TimedOut) return Sleep(ms);
    return Woke::Ready;
  }
  return Look(socket, write, ms);
}

Woke WinsockTransport::Look(SOCKET socket, bool write, int ms) {
  fd_set ready;
  fd_set failures;
  FD_ZERO(&ready);
  FD_ZERO(&failures);
  FD_SET(socket, &ready);
  FD_SET(socket, &failures);
  timeval tv = Timeval(ms);
  const int n = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failures, &tv);
  if (n == SOCKET_ERROR) throw WinsockError(WSAGetLastError());
  return n > 0 ? Woke::Ready : Woke::TimedOut;
}

AppError WinsockTransport::SystemError(int code) { return WinsockError(code); }

std::vector<std::string> WinsockTransport::LookUp(const std::string& host) {
  return LookUpBlocking(host);
}

// The thread sleeps on the network event and the message queue at once; the slice only bounds
// a network event that was missed.
int WinsockTransport::SliceMs() const { return 100; }

}  // namespace pw::win32

namespace pw {

std::unique_ptr<Transport> MakeSocketTransport(WaitPump pump) {
  return std::make_unique<win32::WinsockTransport>(std::move(pump));
}

}  // namespace pw
