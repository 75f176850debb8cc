#include "platform/posix/PosixTransport.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/SocketErrors.h"

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

}  // namespace

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
    if (pump_ && (!pump_() || closes_ != closes)) throw NetError(kNetAborted);
  }
}

// One non-blocking connect attempt; returns 0 or the errno of the failure.
int PosixTransport::ConnectOne(int fd, const addrinfo& a, Clock::time_point deadline) {
  if (connect(fd, a.ai_addr, a.ai_addrlen) == 0) return 0;
  if (errno != EINPROGRESS && errno != EINTR) return errno;
  if (!WaitFor(fd, POLLOUT, deadline)) return ETIMEDOUT;
  int error = 0;
  socklen_t len = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) return errno;
  return error;
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
  Close();
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  std::string service = std::to_string(port);
  int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
  if (rc != 0) {
    if (rc == EAI_SYSTEM) throw ErrnoError(errno);
    throw NetError(kNetHostNotFound, host);
  }
  int lastError = ECONNREFUSED;
  for (addrinfo* a = list; a != nullptr; a = a->ai_next) {
    int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) {
      lastError = errno;
      continue;
    }
    try {
      lastError = ConnectOne(fd, *a, deadline);
    } catch (...) {
      ::close(fd);
      freeaddrinfo(list);
      throw;
    }
    if (lastError == 0) {
      // Commands are short and answered one burst at a time: Nagle would only add delay.
      int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      fd_ = fd;
      break;
    }
    ::close(fd);
    if (lastError == ETIMEDOUT) break;  // the time is used up for every further address too
  }
  freeaddrinfo(list);
  if (fd_ < 0) throw ErrnoError(lastError);
}

void PosixTransport::Send(std::string_view data, int timeoutMs) {
  if (fd_ < 0) throw NetError(kNetClosed);
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
