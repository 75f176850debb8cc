#include "posix/PosixTransport.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include "platform/Resolver.h"
#include "platform/SocketErrors.h"
#include "posix/PosixResolver.h"

namespace pw {
namespace {

using Clock = std::chrono::steady_clock;

SocketCondition ConditionOf(int code) {
  switch (code) {
    case ETIMEDOUT:
      return SocketCondition::TimedOut;
    case ECONNREFUSED:
      return SocketCondition::Refused;
    case ENETUNREACH:
      return SocketCondition::NetUnreachable;
    case EHOSTUNREACH:
      return SocketCondition::HostUnreachable;
    case ENETDOWN:
      return SocketCondition::NetDown;
    case EHOSTDOWN:
      return SocketCondition::HostDown;
    case ECONNRESET:
      return SocketCondition::Reset;
    case ECONNABORTED:
      return SocketCondition::Aborted;
    case EPIPE:
      return SocketCondition::Shutdown;
    default:
      return SocketCondition::Other;
  }
}

AppError ErrnoError(int code) { return SocketError(ConditionOf(code), code); }

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Slices of a wait with a pump: the longest the program's messages wait for it.
constexpr int kPumpSliceMs = 20;

// RFC 8305 5: the next address is tried when the one before has not answered in this time.
constexpr auto kAttemptDelay = std::chrono::milliseconds(250);

// Starts a non-blocking connect to a numeric address; returns the socket (connected when
// error stays 0 and inProgress false), or -1 with the errno in error.
int StartConnect(const std::string& address, int port, bool& inProgress, int& error) {
  inProgress = false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* a = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(address.c_str(), service.c_str(), &hints, &a) != 0 || a == nullptr) {
    error = EINVAL;
    return -1;
  }
  int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
  if (fd < 0) {
    error = errno;
  } else if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
    error = 0;
  } else if (errno == EINPROGRESS || errno == EINTR) {
    error = 0;
    inProgress = true;
  } else {
    error = errno;
    ::close(fd);
    fd = -1;
  }
  freeaddrinfo(a);
  return fd;
}

}  // namespace

void PosixTransport::ServeIfDue() {
  if (!pump_) return;
  const Clock::time_point now = Clock::now();
  if (now - lastServed_ < std::chrono::milliseconds(kPumpEveryMs)) return;
  lastServed_ = now;
  const unsigned closes = closes_;
  if (!pump_() || closes_ != closes) throw NetError(kNetAborted);
}

// Waits until fd is ready for events; false when the time ran out. Restarts after signals.
bool PosixTransport::WaitFor(int fd, short events, Clock::time_point deadline) {
  const unsigned closes = closes_;
  for (;;) {
    const int left = MillisecondsLeft(deadline);
    const int slice = pump_ && left > kPumpSliceMs ? kPumpSliceMs : left;
    pollfd p{fd, events, 0};
    int n = poll(&p, 1, slice);
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) throw ErrnoError(errno);
    if (n == 0 && slice == left) return false;
    if (pump_) {
      lastServed_ = Clock::now();
      if (!pump_() || closes_ != closes) throw NetError(kNetAborted);
    }
  }
}

PosixTransport::~PosixTransport() { Close(); }

void PosixTransport::Close() {
  ++closes_;
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

void PosixTransport::Connect(const std::string& host, int port, int timeoutMs) {
  ConnectAny(LookUpBlocking(host), port, timeoutMs);
}

// Happy Eyeballs: a new attempt starts when the ones in flight have not answered within the
// attempt delay or have all failed; the first to connect wins, within the one deadline.
void PosixTransport::ConnectAny(const std::vector<std::string>& addresses, int port,
                                int timeoutMs) {
  Close();
  const unsigned closes = closes_;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<pollfd> inFlight;
  std::size_t next = 0;
  int lastError = ECONNREFUSED;
  Clock::time_point nextStart = Clock::now();
  auto closeAll = [&inFlight] {
    for (const pollfd& p : inFlight) ::close(p.fd);
    inFlight.clear();
  };
  auto win = [&](int fd) {
    // Commands are short and answered one burst at a time: Nagle would only add delay.
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fd_ = fd;
  };
  try {
    for (;;) {
      if (next < addresses.size() && (inFlight.empty() || Clock::now() >= nextStart)) {
        bool inProgress = false;
        int error = 0;
        int fd = StartConnect(addresses[next++], port, inProgress, error);
        if (fd < 0) {
          lastError = error;
          continue;
        }
        if (!inProgress) {
          closeAll();
          win(fd);
          return;
        }
        inFlight.push_back({fd, POLLOUT, 0});
        nextStart = Clock::now() + kAttemptDelay;
        continue;
      }
      if (inFlight.empty()) throw ErrnoError(lastError);
      const int left = MillisecondsLeft(deadline);
      if (left == 0) throw NetError(kNetTimedOut);
      int wait = left;
      if (next < addresses.size()) wait = std::min(wait, MillisecondsLeft(nextStart));
      if (pump_) wait = std::min(wait, kPumpSliceMs);
      int n = poll(inFlight.data(), inFlight.size(), wait);
      if (n < 0 && errno != EINTR) throw ErrnoError(errno);
      for (std::size_t i = 0; n > 0 && i < inFlight.size();) {
        if (inFlight[i].revents == 0) {
          ++i;
          continue;
        }
        const int fd = inFlight[i].fd;
        int error = 0;
        socklen_t len = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
        if (error == 0) {
          inFlight.erase(inFlight.begin() + static_cast<std::ptrdiff_t>(i));
          closeAll();
          win(fd);
          return;
        }
        lastError = error;
        ::close(fd);
        inFlight.erase(inFlight.begin() + static_cast<std::ptrdiff_t>(i));
        nextStart = Clock::now();  // a failed attempt hands over at once
      }
      if (pump_) {
        ServeIfDue();
        if (closes_ != closes) throw NetError(kNetAborted);
      }
    }
  } catch (...) {
    closeAll();
    throw;
  }
}

void PosixTransport::Send(std::string_view data, int timeoutMs) {
  if (fd_ < 0) throw NetError(kNetClosed);
  ServeIfDue();
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!data.empty()) {
    ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
    if (n >= 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) throw ErrnoError(errno);
    if (!WaitFor(fd_, POLLOUT, deadline)) throw NetError(kNetTimedOut);
  }
}

std::size_t PosixTransport::Receive(char* buffer, std::size_t capacity, int timeoutMs) {
  if (fd_ < 0) throw NetError(kNetClosed);
  ServeIfDue();
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    ssize_t n = ::recv(fd_, buffer, capacity, 0);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) throw ErrnoError(errno);
    if (!WaitFor(fd_, POLLIN, deadline)) throw NetError(kNetTimedOut);
  }
}

std::unique_ptr<Transport> MakeSocketTransport(WaitPump pump) {
  return std::make_unique<PosixTransport>(std::move(pump));
}

}  // namespace pw
