// The redirect listener over POSIX sockets: 127.0.0.1 on a port of the system's choosing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/Loopback.h"
#include "platform/SocketErrors.h"
#include "posix/PosixTransport.h"

namespace pw {
namespace {

constexpr int kPumpSliceMs = 20;

AppError ListenError(int code) { return SocketError(SocketCondition::Other, code); }

class PosixLoopbackListener : public LoopbackListener {
 public:
  ~PosixLoopbackListener() override { Close(); }

  int Listen() override {
    Close();
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) throw ListenError(errno);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, 64) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      const int code = errno;
      Close();
      throw ListenError(code);
    }
    return ntohs(a.sin_port);
  }

  std::unique_ptr<Transport> Accept(int timeoutMs, const WaitPump& pump) override {
    if (fd_ < 0) throw NetError(kNetClosed);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (c >= 0) return std::make_unique<PosixTransport>(c, pump);
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) {
        throw ListenError(errno);
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return nullptr;
      pollfd p{fd_, POLLIN, 0};
      poll(&p, 1,
           pump ? static_cast<int>(std::min<long long>(left, kPumpSliceMs))
                : static_cast<int>(left));
      if (pump && !pump()) throw NetError(kNetAborted);
    }
  }

  void Close() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

}  // namespace

std::unique_ptr<LoopbackListener> MakeLoopbackListener() {
  return std::make_unique<PosixLoopbackListener>();
}

}  // namespace pw
