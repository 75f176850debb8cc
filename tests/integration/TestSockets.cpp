#include "TestSockets.h"

#include <cstdint>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include "win32/Win32.h"
#else
#include <arpa/inet.h>
#include <fcntl.h>
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

// A socket bound to address (127.0.0.1 unless given) on port, or on a port the system picks
// when port is 0, and that port.
Handle Bind(int& port, const char* address = "127.0.0.1") {
  Start();
  Handle s = socket(AF_INET, SOCK_STREAM, 0);
  if (!Valid(s)) throw std::runtime_error("socket");
  sockaddr_in a{};
  a.sin_family = AF_INET;
  inet_pton(AF_INET, address, &a.sin_addr);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
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

StuckListener::StuckListener(const char* address, int port) {
  Handle s = Bind(port, address);
  if (listen(s, 0) != 0) {
    CloseHandle(s);
    throw std::runtime_error("listen");
  }
  listener_ = static_cast<std::intptr_t>(s);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  inet_pton(AF_INET, address, &a.sin_addr);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  // Connections nobody accepts fill the queue; they need not complete.
  for (std::intptr_t& filler : fillers_) {
    Handle f = socket(AF_INET, SOCK_STREAM, 0);
#ifdef _WIN32
    u_long nonBlocking = 1;
    ioctlsocket(f, FIONBIO, &nonBlocking);
#else
    fcntl(f, F_SETFL, O_NONBLOCK);
#endif
    connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
    filler = static_cast<std::intptr_t>(f);
  }
  // Give the handshakes of the fillers time to land in the queue.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

StuckListener::~StuckListener() {
  for (std::intptr_t f : fillers_) CloseHandle(static_cast<Handle>(f));
  CloseHandle(static_cast<Handle>(listener_));
}

FloodingServer::FloodingServer() {
  Handle s = Bind(port_);
  if (listen(s, 1) != 0) {
    CloseHandle(s);
    throw std::runtime_error("listen");
  }
  listener_ = static_cast<std::intptr_t>(s);
  thread_ = std::thread([this] { Serve(); });
}

FloodingServer::~FloodingServer() {
  stop_ = true;
  // Shutting the sockets down wakes a thread blocked in accept or send.
  const std::intptr_t c = connection_;
  if (c != -1) Shutdown(static_cast<Handle>(c));
  Shutdown(static_cast<Handle>(listener_));
  thread_.join();
  CloseHandle(static_cast<Handle>(listener_));
}

void FloodingServer::Serve() {
  Handle c = accept(static_cast<Handle>(listener_), nullptr, nullptr);
  if (!Valid(c)) return;
  connection_ = static_cast<std::intptr_t>(c);
  if (stop_) Shutdown(c);
  auto say = [&](const std::string& bytes) {
    return send(c, bytes.data(), static_cast<int>(bytes.size()), kNoSignal) > 0;
  };
  std::string received;
  char buffer[512];
  bool ok = say("* OK [CAPABILITY IMAP4rev1] ready\r\n");
  while (ok && !stop_ && received.find("\r\n") == std::string::npos) {
    auto got = recv(c, buffer, sizeof buffer, 0);
    if (got <= 0) ok = false;
    if (ok) received.append(buffer, static_cast<std::size_t>(got));
  }
  if (ok) ok = say(received.substr(0, received.find(' ')) + " OK logged in\r\n");
  std::string burst;
  for (int i = 0; i < 4096; ++i) burst += "* 1 EXISTS\r\n";
  while (ok && !stop_) ok = say(burst);
  connection_ = -1;
  CloseHandle(c);
}

int ClosedPort() {
  int port = 0;
  CloseHandle(Bind(port));
  return port;
}

}  // namespace pw::test
