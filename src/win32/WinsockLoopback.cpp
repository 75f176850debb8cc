// The redirect listener over Winsock: 127.0.0.1 on a port of the system's choosing; the wait
// for the browser serves the program's messages like every network wait.
#include <chrono>

#include "platform/Loopback.h"
#include "platform/SocketErrors.h"
#include "win32/Win32.h"
#include "win32/WinsockTransport.h"

namespace pw::win32 {
namespace {

constexpr DWORD kPumpSliceMs = 50;

AppError ListenError(int code) { return SocketError(SocketCondition::Other, code); }

class WinsockLoopbackListener : public LoopbackListener {
 public:
  ~WinsockLoopbackListener() override { Close(); }

  int Listen() override {
    Close();
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw ListenError(WSAGetLastError());
    started_ = true;
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) throw ListenError(WSAGetLastError());
    // Nobody else may take over the port while the browser is on its way back.
    BOOL exclusive = TRUE;
    setsockopt(socket_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof exclusive);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    u_long nonBlocking = 1;
    if (bind(socket_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(socket_, 64) != 0 ||
        getsockname(socket_, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
        ioctlsocket(socket_, FIONBIO, &nonBlocking) != 0) {
      const int code = WSAGetLastError();
      Close();
      throw ListenError(code);
    }
    return ntohs(a.sin_port);
  }

  std::unique_ptr<Transport> Accept(int timeoutMs, const WaitPump& pump) override {
    if (socket_ == INVALID_SOCKET) throw NetError(kNetClosed);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      SOCKET c = accept(socket_, nullptr, nullptr);
      if (c != INVALID_SOCKET) return std::make_unique<WinsockTransport>(c, pump);
      const int code = WSAGetLastError();
      if (code != WSAEWOULDBLOCK && code != WSAECONNRESET) throw ListenError(code);
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return nullptr;
      const DWORD slice =
          left < static_cast<long long>(kPumpSliceMs) ? static_cast<DWORD>(left) : kPumpSliceMs;
      if (pump) {
        // Sleeps until a message arrives or the slice is over; the pump then serves the
        // messages and says whether to go on ("Abbrechen" in the sign-in window, say).
        MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (!pump()) throw NetError(kNetAborted);
      } else {
        Sleep(slice);
      }
    }
  }

  void Close() override {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
    if (started_) WSACleanup();
    started_ = false;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  bool started_ = false;
};

}  // namespace
}  // namespace pw::win32

namespace pw {

std::unique_ptr<LoopbackListener> MakeLoopbackListener() {
  return std::make_unique<win32::WinsockLoopbackListener>();
}

}  // namespace pw
