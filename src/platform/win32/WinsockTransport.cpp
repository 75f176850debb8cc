#include "platform/win32/WinsockTransport.h"

#include <chrono>
#include <climits>
#include <mutex>

#include "platform/SocketErrors.h"
#include "platform/win32/Strconv.h"
#include "platform/win32/Win32.h"

namespace pw::win32 {
namespace {

using Clock = std::chrono::steady_clock;

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

// WSAStartup once per process; Winsock is left to the process end to clean up.
void StartWinsock() {
  static std::once_flag once;
  static int result = 0;
  std::call_once(once, [] {
    WSADATA data;
    result = WSAStartup(MAKEWORD(2, 2), &data);
  });
  if (result != 0) throw WinsockError(result);
}

timeval TimeLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
  long long us = left.count() > 0 ? left.count() : 0;
  timeval tv;
  tv.tv_sec = static_cast<long>(us / 1000000);
  tv.tv_usec = static_cast<long>(us % 1000000);
  return tv;
}

// Readiness right now, or after at most the time left.
// select() rather than WSAPoll: WSAPoll does not report a refused connect on Windows before
// 10 version 2004, it waits out the timeout instead (see the WSAPoll remarks on
// learn.microsoft.com).
int Select(SOCKET s, bool write, bool& failed, timeval tv) {
  fd_set ready;
  fd_set failures;
  FD_ZERO(&ready);
  FD_ZERO(&failures);
  FD_SET(s, &ready);
  FD_SET(s, &failures);
  int n = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failures, &tv);
  if (n == SOCKET_ERROR) throw WinsockError(WSAGetLastError());
  failed = n > 0 && FD_ISSET(s, &failures);
  return n;
}

// The longest a pumped wait sleeps before it asks select() again, in case a network event
// was missed.
constexpr DWORD kPumpSliceMs = 100;

int SocketError(SOCKET s) {
  int error = 0;
  int len = sizeof error;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len) != 0) {
    return WSAGetLastError();
  }
  return error;
}

}  // namespace

WinsockTransport::WinsockTransport(WaitPump pump) : pump_(std::move(pump)) {}

WinsockTransport::WinsockTransport(SOCKET connected, WaitPump pump)
    : pump_(std::move(pump)), socket_(connected) {
  u_long nonBlocking = 1;
  ioctlsocket(socket_, FIONBIO, &nonBlocking);
}

WinsockTransport::~WinsockTransport() {
  Close();
  if (event_ != WSA_INVALID_EVENT) WSACloseEvent(event_);
}

// Without a pump, select() waits. With one, the thread sleeps in MsgWaitForMultipleObjectsEx on
// the socket's network event (WSAEventSelect) and on the message queue at once, and every
// message that arrives is handed to the pump: the window keeps answering while the server is
// silent, on this one thread.
WinsockTransport::Ready WinsockTransport::WaitFor(SOCKET s, bool write,
                                                  Clock::time_point deadline) {
  bool failed = false;
  if (!pump_) {
    int n = Select(s, write, failed, TimeLeft(deadline));
    if (n == 0) return Ready::TimedOut;
    return failed ? Ready::Failed : Ready::Yes;
  }
  if (event_ == WSA_INVALID_EVENT) {
    event_ = WSACreateEvent();
    if (event_ == WSA_INVALID_EVENT) throw WinsockError(WSAGetLastError());
  }
  const long events = write ? FD_WRITE | FD_CONNECT | FD_CLOSE : FD_READ | FD_CLOSE;
  if (WSAEventSelect(s, event_, events) == SOCKET_ERROR) throw WinsockError(WSAGetLastError());
  const unsigned closes = closes_;
  for (;;) {
    WSAResetEvent(event_);
    if (Select(s, write, failed, timeval{0, 0}) > 0) return failed ? Ready::Failed : Ready::Yes;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return Ready::TimedOut;
    const DWORD slice = left.count() < static_cast<long long>(kPumpSliceMs)
                            ? static_cast<DWORD>(left.count())
                            : kPumpSliceMs;
    DWORD woke = MsgWaitForMultipleObjectsEx(1, &event_, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_FAILED) throw WinsockError(static_cast<int>(GetLastError()));
    if (woke == WAIT_OBJECT_0 + 1 && (!pump_() || closes_ != closes)) {
      throw NetError(kNetAborted);
    }
  }
}

// One non-blocking connect attempt; returns 0 or the Winsock code of the failure.
int WinsockTransport::ConnectOne(SOCKET s, const ADDRINFOW& a, Clock::time_point deadline) {
  if (connect(s, a.ai_addr, static_cast<int>(a.ai_addrlen)) == 0) return 0;
  int code = WSAGetLastError();
  if (code != WSAEWOULDBLOCK) return code;
  Ready ready = WaitFor(s, true, deadline);
  if (ready == Ready::TimedOut) return WSAETIMEDOUT;
  int error = SocketError(s);
  if (ready == Ready::Failed && error == 0) return WSAECONNREFUSED;
  return error;
}

void WinsockTransport::Close() {
  ++closes_;
  if (socket_ != INVALID_SOCKET) {
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
}

void WinsockTransport::Connect(const std::string& host, int port, int timeoutMs) {
  Close();
  StartWinsock();
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  ADDRINFOW* list = nullptr;
  std::wstring service = std::to_wstring(port);
  int rc = GetAddrInfoW(Widen(host).c_str(), service.c_str(), &hints, &list);
  if (rc != 0) {
    if (rc == WSAHOST_NOT_FOUND || rc == WSANO_DATA || rc == WSATRY_AGAIN || rc == WSANO_RECOVERY ||
        rc == WSAEINVAL) {
      throw NetError(kNetHostNotFound, host);
    }
    throw WinsockError(rc);
  }
  int lastError = WSAECONNREFUSED;
  for (ADDRINFOW* a = list; a != nullptr; a = a->ai_next) {
    SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s == INVALID_SOCKET) {
      lastError = WSAGetLastError();
      continue;
    }
    u_long nonBlocking = 1;
    try {
      lastError = ioctlsocket(s, FIONBIO, &nonBlocking) == 0 ? ConnectOne(s, *a, deadline)
                                                             : WSAGetLastError();
    } catch (...) {
      closesocket(s);
      FreeAddrInfoW(list);
      throw;
    }
    if (lastError == 0) {
      BOOL one = TRUE;
      setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
      socket_ = s;
      break;
    }
    closesocket(s);
    if (lastError == WSAETIMEDOUT) break;
  }
  FreeAddrInfoW(list);
  if (socket_ == INVALID_SOCKET) throw WinsockError(lastError);
}

void WinsockTransport::Send(std::string_view data, int timeoutMs) {
  if (socket_ == INVALID_SOCKET) throw NetError(kNetClosed);
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!data.empty()) {
    int chunk = data.size() > INT_MAX ? INT_MAX : static_cast<int>(data.size());
    int n = send(socket_, data.data(), chunk, 0);
    if (n != SOCKET_ERROR) {
      data.remove_prefix(static_cast<std::size_t>(n));
      deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
      continue;
    }
    int code = WSAGetLastError();
    if (code != WSAEWOULDBLOCK) throw WinsockError(code);
    if (WaitFor(socket_, true, deadline) == Ready::TimedOut) throw NetError(kNetTimedOut);
  }
}

std::size_t WinsockTransport::Receive(char* buffer, std::size_t capacity, int timeoutMs) {
  if (socket_ == INVALID_SOCKET) throw NetError(kNetClosed);
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int chunk = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
  for (;;) {
    int n = recv(socket_, buffer, chunk, 0);
    if (n != SOCKET_ERROR) return static_cast<std::size_t>(n);
    int code = WSAGetLastError();
    if (code != WSAEWOULDBLOCK) throw WinsockError(code);
    if (WaitFor(socket_, false, deadline) == Ready::TimedOut) throw NetError(kNetTimedOut);
  }
}

}  // namespace pw::win32

namespace pw {

std::unique_ptr<Transport> MakeSocketTransport(WaitPump pump) {
  return std::make_unique<win32::WinsockTransport>(std::move(pump));
}

}  // namespace pw
