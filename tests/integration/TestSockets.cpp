#include "TestSockets.h"

#include <stdexcept>

#ifdef _WIN32
#include "platform/win32/Win32.h"
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace pw::test {
namespace {

#ifdef _WIN32
using Handle = SOCKET;
void CloseHandle(Handle s) { closesocket(s); }
bool Valid(Handle s) { return s != INVALID_SOCKET; }
void Start() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
}
#else
using Handle = int;
void CloseHandle(Handle s) { ::close(s); }
bool Valid(Handle s) { return s >= 0; }
void Start() {}
#endif

// A socket bound to 127.0.0.1 on a port the system picks, and that port.
Handle Bind(int& port) {
  Start();
  Handle s = socket(AF_INET, SOCK_STREAM, 0);
  if (!Valid(s)) throw std::runtime_error("socket");
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    CloseHandle(s);
    throw std::runtime_error("bind");
  }
  port = ntohs(a.sin_port);
  return s;
}

}  // namespace

SilentListener::SilentListener() {
  Handle s = Bind(port_);
  if (listen(s, 8) != 0) {
    CloseHandle(s);
    throw std::runtime_error("listen");
  }
  socket_ = static_cast<std::intptr_t>(s);
}

SilentListener::~SilentListener() { CloseHandle(static_cast<Handle>(socket_)); }

int ClosedPort() {
  int port = 0;
  CloseHandle(Bind(port));
  return port;
}

}  // namespace pw::test
