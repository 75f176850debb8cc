#include "TestSockets.h"

#include <stdexcept>
#include <string>

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
constexpr int kNoSignal = 0;
void Shutdown(Handle s) { shutdown(s, SD_BOTH); }
void CloseHandle(Handle s) { closesocket(s); }
bool Valid(Handle s) { return s != INVALID_SOCKET; }
void Start() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
}
#else
using Handle = int;
constexpr int kNoSignal = MSG_NOSIGNAL;  // a client that gave up must not end the test by SIGPIPE
void Shutdown(Handle s) { shutdown(s, SHUT_RDWR); }
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

DawdlingServer::DawdlingServer(std::chrono::milliseconds delay) : delay_(delay) {
  Handle s = Bind(port_);
  if (listen(s, 1) != 0) {
    CloseHandle(s);
    throw std::runtime_error("listen");
  }
  listener_ = static_cast<std::intptr_t>(s);
  thread_ = std::thread([this] { Serve(); });
}

DawdlingServer::~DawdlingServer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    // Shutting the sockets down wakes a thread blocked in accept or recv.
    if (connection_ != -1) Shutdown(static_cast<Handle>(connection_));
    Shutdown(static_cast<Handle>(listener_));
  }
  wake_.notify_all();
  thread_.join();
  CloseHandle(static_cast<Handle>(listener_));
}

bool DawdlingServer::Dawdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  return !wake_.wait_for(lock, delay_, [this] { return stop_; });
}

void DawdlingServer::Serve() {
  Handle c = accept(static_cast<Handle>(listener_), nullptr, nullptr);
  if (!Valid(c)) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connection_ = static_cast<std::intptr_t>(c);
    if (stop_) Shutdown(c);
  }
  auto say = [&](const std::string& line) {
    return send(c, line.data(), static_cast<int>(line.size()), kNoSignal) > 0;
  };
  std::string received;
  if (Dawdle() && say("* OK [CAPABILITY IMAP4rev1] slow but alive\r\n")) {
    char buffer[512];
    for (;;) {
      auto got = recv(c, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      received.append(buffer, static_cast<std::size_t>(got));
      std::size_t end = 0;
      bool ok = true;
      while (ok && (end = received.find("\r\n")) != std::string::npos) {
        std::string tag = received.substr(0, received.find(' '));
        received.erase(0, end + 2);
        ok = Dawdle() && say(tag + " OK done\r\n");
      }
      if (!ok) break;
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  CloseHandle(c);
  connection_ = -1;
}

int ClosedPort() {
  int port = 0;
  CloseHandle(Bind(port));
  return port;
}

}  // namespace pw::test
