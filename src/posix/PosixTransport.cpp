#include "posix/PosixTransport.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/SocketErrors.h"
#include "posix/PosixResolver.h"

namespace pw {
namespace {

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

int Fd(SocketTransport::Socket s) { return static_cast<int>(s); }

// poll() for up to ms, restarted after signals: true when something happened.
bool Poll(pollfd* fds, std::size_t count, int ms) {
  for (;;) {
    const int n = poll(fds, count, ms);
    if (n >= 0) return n > 0;
    if (errno != EINTR) throw ErrnoError(errno);
  }
}

}  // namespace

PosixTransport::PosixTransport(WaitPump pump) : SocketTransport(std::move(pump), ECONNREFUSED) {}

PosixTransport::PosixTransport(int connectedFd, WaitPump pump)
    : SocketTransport(std::move(pump), ECONNREFUSED, static_cast<Socket>(connectedFd)) {}

PosixTransport::~PosixTransport() { Close(); }

SocketTransport::Socket PosixTransport::StartConnect(const std::string& address, int port,
                                                     bool& connected, int& error) {
  connected = false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* a = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(address.c_str(), service.c_str(), &hints, &a) != 0 || a == nullptr) {
    error = EINVAL;
    return kNoSocket;
  }
  int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
  if (fd < 0) {
    error = errno;
  } else if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
    connected = true;
  } else if (errno != EINPROGRESS && errno != EINTR) {
    error = errno;
    ::close(fd);
    fd = -1;
  }
  freeaddrinfo(a);
  return fd < 0 ? kNoSocket : static_cast<Socket>(fd);
}

Woke PosixTransport::WaitConnects(std::vector<Attempt>& attempts, int ms) {
  std::vector<pollfd> fds;
  fds.reserve(attempts.size());
  for (const Attempt& a : attempts) fds.push_back({Fd(a.socket), POLLOUT, 0});
  if (!Poll(fds.data(), fds.size(), ms)) return Woke::TimedOut;
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (fds[i].revents == 0) continue;
    int error = 0;
    socklen_t len = sizeof error;
    if (getsockopt(fds[i].fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
    attempts[i].outcome = error == 0 ? Attempt::Connected : Attempt::Failed;
    attempts[i].error = error;
  }
  return Woke::Ready;
}

void PosixTransport::Adopt(Socket s) {
  // Commands are short and answered one burst at a time: Nagle would only add delay.
  int one = 1;
  setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void PosixTransport::CloseSocket(Socket s) { ::close(Fd(s)); }

std::ptrdiff_t PosixTransport::SendSome(Socket s, std::string_view data) {
  for (;;) {
    const ssize_t n = ::send(Fd(s), data.data(), data.size(), MSG_NOSIGNAL);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    throw ErrnoError(errno);
  }
}

std::ptrdiff_t PosixTransport::ReceiveSome(Socket s, char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t n = ::recv(Fd(s), buffer, capacity, 0);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    throw ErrnoError(errno);
  }
}

Woke PosixTransport::WaitSocket(Socket s, bool write, int ms) {
  pollfd p{Fd(s), static_cast<short>(write ? POLLOUT : POLLIN), 0};
  return Poll(&p, 1, ms) ? Woke::Ready : Woke::TimedOut;
}

AppError PosixTransport::SystemError(int code) { return ErrnoError(code); }

std::vector<std::string> PosixTransport::LookUp(const std::string& host) {
  return LookUpBlocking(host);
}

// No window messages to wake a poll() here: the pump is served between slices this short.
int PosixTransport::SliceMs() const { return 20; }

std::unique_ptr<Transport> MakeSocketTransport(WaitPump pump) {
  return std::make_unique<PosixTransport>(std::move(pump));
}

}  // namespace pw
