#include "win32/WinsockTransport.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <mutex>
#include <vector>

#include "platform/Resolver.h"
#include "platform/SocketErrors.h"
#include "win32/Strconv.h"
#include "win32/Win32.h"
#include "win32/Win32Resolver.h"

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

namespace {

timeval TimeLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
  long long us = left.count() > 0 ? left.count() : 0;
  timeval tv;
  tv.tv_sec = static_cast<long>(us / 1000000);
  tv.tv_usec = static_cast<long>(us % 1000000);
  return tv;
}

// RFC 8305 5: the next address is tried when the one before has not answered in this time.
constexpr auto kAttemptDelay = std::chrono::milliseconds(250);

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

// Starts a non-blocking connect to a numeric address; returns the socket (connected unless
// inProgress), or INVALID_SOCKET with the Winsock code in error.
SOCKET StartConnect(const std::string& address, int port, bool& inProgress, int& error) {
  inProgress = false;
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICHOST;
  ADDRINFOW* a = nullptr;
  const std::wstring service = std::to_wstring(port);
  if (GetAddrInfoW(Widen(address).c_str(), service.c_str(), &hints, &a) != 0 || a == nullptr) {
    error = WSAEINVAL;
    return INVALID_SOCKET;
  }
  SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
  u_long nonBlocking = 1;
  if (s == INVALID_SOCKET) {
    error = WSAGetLastError();
  } else if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
    error = WSAGetLastError();
    closesocket(s);
    s = INVALID_SOCKET;
  } else if (connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
    error = 0;
  } else if ((error = WSAGetLastError()) == WSAEWOULDBLOCK) {
    error = 0;
    inProgress = true;
  } else {
    closesocket(s);
    s = INVALID_SOCKET;
  }
  FreeAddrInfoW(a);
  return s;
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
    if (woke == WAIT_OBJECT_0 + 1) {
      lastServed_ = Clock::now();
      if (!pump_() || closes_ != closes) throw NetError(kNetAborted);
    }
  }
}

void WinsockTransport::ServeIfDue() {
  if (!pump_) return;
  const Clock::time_point now = Clock::now();
  if (now - lastServed_ < std::chrono::milliseconds(kPumpEveryMs)) return;
  lastServed_ = now;
  const unsigned closes = closes_;
  if (!pump_() || closes_ != closes) throw NetError(kNetAborted);
}

void WinsockTransport::Close() {
  ++closes_;
  if (socket_ != INVALID_SOCKET) {
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
}

void WinsockTransport::Connect(const std::string& host, int port, int timeoutMs) {
  ConnectAny(LookUpBlocking(host), port, timeoutMs);
}

// Happy Eyeballs: a new attempt starts when the ones in flight have not answered within the
// attempt delay or have all failed; the first to connect wins, within the one deadline.
void WinsockTransport::ConnectAny(const std::vector<std::string>& addresses, int port,
                                  int timeoutMs) {
  Close();
  StartWinsock();
  const unsigned closes = closes_;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<SOCKET> inFlight;
  std::size_t next = 0;
  int lastError = WSAECONNREFUSED;
  Clock::time_point nextStart = Clock::now();
  auto closeAll = [&inFlight] {
    for (SOCKET s : inFlight) closesocket(s);
    inFlight.clear();
  };
  auto win = [&](SOCKET s) {
    if (event_ != WSA_INVALID_EVENT) WSAEventSelect(s, event_, 0);
    BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    socket_ = s;
  };
  auto millisecondsTo = [](Clock::time_point t) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count();
    return left > 0 ? static_cast<long long>(left) : 0LL;
  };
  try {
    if (pump_ && event_ == WSA_INVALID_EVENT) {
      event_ = WSACreateEvent();
      if (event_ == WSA_INVALID_EVENT) throw WinsockError(WSAGetLastError());
    }
    for (;;) {
      if (next < addresses.size() && (inFlight.empty() || Clock::now() >= nextStart)) {
        int error = 0;
        bool inProgress = false;
        SOCKET s = StartConnect(addresses[next++], port, inProgress, error);
        if (s == INVALID_SOCKET) {
          lastError = error;
          continue;
        }
        if (!inProgress) {
          closeAll();
          win(s);
          return;
        }
        inFlight.push_back(s);
        if (pump_ && WSAEventSelect(s, event_, FD_CONNECT) == SOCKET_ERROR) {
          throw WinsockError(WSAGetLastError());
        }
        nextStart = Clock::now() + kAttemptDelay;
        continue;
      }
      if (inFlight.empty()) throw WinsockError(lastError);
      long long wait = millisecondsTo(deadline);
      if (wait == 0) throw NetError(kNetTimedOut);
      if (next < addresses.size()) wait = std::min(wait, millisecondsTo(nextStart));
      // A connect that failed shows in the exception set, one that worked in the write set.
      fd_set done;
      fd_set failed;
      FD_ZERO(&done);
      FD_ZERO(&failed);
      for (SOCKET s : inFlight) {
        FD_SET(s, &done);
        FD_SET(s, &failed);
      }
      if (pump_) WSAResetEvent(event_);
      const long long now = pump_ ? 0 : wait;
      timeval tv{static_cast<long>(now / 1000), static_cast<long>((now % 1000) * 1000)};
      int n = select(0, nullptr, &done, &failed, &tv);
      if (n == SOCKET_ERROR) throw WinsockError(WSAGetLastError());
      for (std::size_t i = 0; n > 0 && i < inFlight.size();) {
        const SOCKET s = inFlight[i];
        if (FD_ISSET(s, &done) && !FD_ISSET(s, &failed)) {
          inFlight.erase(inFlight.begin() + static_cast<std::ptrdiff_t>(i));
          closeAll();
          win(s);
          return;
        }
        if (!FD_ISSET(s, &failed)) {
          ++i;
          continue;
        }
        int error = SocketError(s);
        lastError = error != 0 ? error : WSAECONNREFUSED;
        closesocket(s);
        inFlight.erase(inFlight.begin() + static_cast<std::ptrdiff_t>(i));
        nextStart = Clock::now();  // a failed attempt hands over at once
      }
      if (n > 0 || !pump_) continue;
      const DWORD slice = static_cast<DWORD>(std::min<long long>(wait, kPumpSliceMs));
      DWORD woke = MsgWaitForMultipleObjectsEx(1, &event_, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      if (woke == WAIT_FAILED) throw WinsockError(static_cast<int>(GetLastError()));
      if (woke == WAIT_OBJECT_0 + 1) {
        lastServed_ = Clock::now();
        if (!pump_() || closes_ != closes) throw NetError(kNetAborted);
      }
    }
  } catch (...) {
    closeAll();
    throw;
  }
}

void WinsockTransport::Send(std::string_view data, int timeoutMs) {
  if (socket_ == INVALID_SOCKET) throw NetError(kNetClosed);
  ServeIfDue();
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
  ServeIfDue();
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
