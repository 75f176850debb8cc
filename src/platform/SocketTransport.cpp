#include "platform/SocketTransport.h"

#include <algorithm>

namespace pw {
namespace {

// RFC 8305 5: the next address is tried when the one before has not answered in this time.
constexpr auto kAttemptDelay = std::chrono::milliseconds(250);

}  // namespace

void SocketTransport::Serve(unsigned closes) {
  lastServed_ = Clock::now();
  if (!pump_() || closes_ != closes) throw NetError(kNetAborted);
}

void SocketTransport::ServeIfDue() {
  if (!pump_) return;
  if (Clock::now() - lastServed_ < std::chrono::milliseconds(kPumpEveryMs)) return;
  Serve(closes_);
}

bool SocketTransport::Await(Socket s, bool write, Clock::time_point deadline) {
  const SystemWait wait = [this, s, write](int ms) { return WaitSocket(s, write, ms); };
  if (!pump_) return AwaitReady(deadline, {}, SliceMs(), wait);
  const unsigned closes = closes_;
  const WaitPump serve = [this, closes] {
    Serve(closes);
    return true;
  };
  return AwaitReady(deadline, serve, SliceMs(), wait);
}

void SocketTransport::Close() {
  ++closes_;
  if (socket_ != kNoSocket) {
    CloseSocket(socket_);
    socket_ = kNoSocket;
  }
}

void SocketTransport::Connect(const std::string& host, int port, int timeoutMs) {
  ConnectAny(LookUp(host), port, timeoutMs);
}

void SocketTransport::ConnectAny(const std::vector<std::string>& addresses, int port,
                                 int timeoutMs) {
  Close();
  const unsigned closes = closes_;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<Attempt> inFlight;
  std::size_t next = 0;
  int lastError = refusedCode_;
  Clock::time_point nextStart = Clock::now();
  auto closeAll = [this, &inFlight] {
    for (const Attempt& a : inFlight) CloseSocket(a.socket);
    inFlight.clear();
  };
  auto win = [&](Socket s) {
    Adopt(s);
    socket_ = s;
  };
  try {
    for (;;) {
      if (next < addresses.size() && (inFlight.empty() || Clock::now() >= nextStart)) {
        bool connected = false;
        int error = 0;
        const Socket s = StartConnect(addresses[next++], port, connected, error);
        if (s == kNoSocket) {
          lastError = error;
          continue;
        }
        if (connected) {
          closeAll();
          win(s);
          return;
        }
        inFlight.push_back({s});
        nextStart = Clock::now() + kAttemptDelay;
        continue;
      }
      if (inFlight.empty()) throw SystemError(lastError);
      const int left = MillisecondsLeft(deadline);
      if (left == 0) throw NetError(kNetTimedOut);
      int wait = left;
      if (next < addresses.size()) wait = std::min(wait, MillisecondsLeft(nextStart));
      if (pump_) wait = std::min(wait, SliceMs());
      const Woke woke = WaitConnects(inFlight, wait);
      for (std::size_t i = 0; i < inFlight.size();) {
        const Attempt a = inFlight[i];
        if (a.outcome == Attempt::Pending) {
          ++i;
          continue;
        }
        inFlight.erase(inFlight.begin() + static_cast<std::ptrdiff_t>(i));
        if (a.outcome == Attempt::Connected) {
          closeAll();
          win(a.socket);
          return;
        }
        lastError = a.error;
        CloseSocket(a.socket);
        nextStart = Clock::now();  // a failed attempt hands over at once
      }
      if (!pump_) continue;
      if (woke == Woke::Messages) {
        Serve(closes);
      } else if (Clock::now() - lastServed_ >= std::chrono::milliseconds(kPumpEveryMs)) {
        Serve(closes);
      }
    }
  } catch (...) {
    closeAll();
    throw;
  }
}

void SocketTransport::Send(std::string_view data, int timeoutMs) {
  if (socket_ == kNoSocket) throw NetError(kNetClosed);
  ServeIfDue();
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!data.empty()) {
    const std::ptrdiff_t n = SendSome(socket_, data);
    if (n >= 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
      continue;
    }
    if (!Await(socket_, true, deadline)) throw NetError(kNetTimedOut);
  }
}

std::size_t SocketTransport::Receive(char* buffer, std::size_t capacity, int timeoutMs) {
  if (socket_ == kNoSocket) throw NetError(kNetClosed);
  ServeIfDue();
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const std::ptrdiff_t n = ReceiveSome(socket_, buffer, capacity);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (!Await(socket_, false, deadline)) throw NetError(kNetTimedOut);
  }
}

}  // namespace pw
