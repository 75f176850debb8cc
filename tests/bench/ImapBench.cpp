// Benchmark: sign-in / search / count / sign-out cycles of Imap1 beside a raw-socket client
// sending the same commands in the same bursts, against one server in the same run.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/imap/ImapClient.h"
#include "core/AppError.h"
#include "platform/Transport.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string host = "127.0.0.1";
  int port = 0;
  std::string user = "anna";
  std::string password = "geheim";
  int cycles = 200;
  int delayMs = 0;
};

int ConnectTo(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) {
    throw std::runtime_error("cannot resolve " + host);
  }
  int fd = -1;
  for (addrinfo* a = list; a != nullptr && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (fd >= 0 && connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(list);
  if (fd < 0) throw std::runtime_error("cannot connect to port " + std::to_string(port));
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

// The floor: blocking socket, no parser beyond finding the tagged line.
class RawClient {
 public:
  int roundTrips = 0;

  void Cycle(const Options& o) {
    fd_ = ConnectTo(o.host, o.port);
    buffer_.clear();
    WaitFor("* ");
    Send("A1 LOGIN \"" + o.user + "\" \"" + o.password + "\"\r\n");
    WaitFor("A1 ");
    Send("A2 SELECT \"INBOX\"\r\nA3 SEARCH RECENT\r\n");
    WaitFor("A3 ");
    Send("A4 SEARCH SEEN\r\n");
    WaitFor("A4 ");
    Send("A5 LOGOUT\r\n");
    WaitFor("A5 ");
    close(fd_);
  }

 private:
  void Send(const std::string& s) {
    if (send(fd_, s.data(), s.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(s.size())) {
      throw std::runtime_error("raw send failed");
    }
  }

  // Reads until a line starting with prefix has arrived in full.
  void WaitFor(const std::string& prefix) {
    ++roundTrips;
    for (;;) {
      std::size_t at = buffer_.compare(0, prefix.size(), prefix) == 0 ? 0 : std::string::npos;
      if (at == std::string::npos) {
        std::size_t p = buffer_.find("\r\n" + prefix);
        if (p != std::string::npos) at = p + 2;
      }
      if (at != std::string::npos) {
        std::size_t end = buffer_.find("\r\n", at);
        if (end != std::string::npos) {
          buffer_.erase(0, end + 2);
          return;
        }
      }
      char chunk[65536];
      ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
      if (n <= 0) throw std::runtime_error("raw client: connection closed");
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  int fd_ = -1;
  std::string buffer_;
};

// A user-space proxy that holds every chunk for delayMs in each direction: latency without netem.
class DelayProxy {
 public:
  DelayProxy(const Options& o) : target_(o), delay_(std::chrono::milliseconds(o.delayMs)) {
    listen_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0 || listen(listen_, 16)) {
      throw std::runtime_error("proxy: cannot listen");
    }
    port_ = ntohs(a.sin_port);
    std::thread([this] { AcceptLoop(); }).detach();
  }
  int Port() const { return port_; }

 private:
  struct Pipe {
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::pair<Clock::time_point, std::string>> chunks;  // empty string: end
  };

  void AcceptLoop() {
    for (;;) {
      int client = accept(listen_, nullptr, nullptr);
      if (client < 0) continue;
      int one = 1;
      setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      int server = ConnectTo(target_.host, target_.port);
      Forward(client, server);
      Forward(server, client);
    }
  }

  void Forward(int from, int to) {
    auto pipe = std::make_shared<Pipe>();
    std::thread([pipe, from] {
      char chunk[65536];
      for (;;) {
        ssize_t n = recv(from, chunk, sizeof chunk, 0);
        std::lock_guard<std::mutex> lock(pipe->m);
        pipe->chunks.emplace_back(Clock::now(),
                                  n > 0 ? std::string(chunk, static_cast<std::size_t>(n)) : "");
        pipe->cv.notify_one();
        if (n <= 0) return;
      }
    }).detach();
    std::thread([pipe, from, to, delay = delay_] {
      for (;;) {
        std::unique_lock<std::mutex> lock(pipe->m);
        pipe->cv.wait(lock, [&] { return !pipe->chunks.empty(); });
        auto [arrived, bytes] = std::move(pipe->chunks.front());
        pipe->chunks.pop_front();
        lock.unlock();
        std::this_thread::sleep_until(arrived + delay);
        if (bytes.empty()) {
          shutdown(to, SHUT_WR);
          return;
        }
        send(to, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      }
    }).detach();
  }

  Options target_;
  std::chrono::milliseconds delay_;
  int listen_ = -1;
  int port_ = 0;
};

void OurCycle(pw::ImapClient& client, const Options& o, std::string& recent, std::string& seen,
              std::int32_t& total) {
  client.SetTimeout(10000);
  client.SignIn(o.host, o.user, o.password);
  client.PostSignIn();
  client.Mailbox("INBOX").Search("RECENT", recent, 0);
  client.Mailbox("INBOX").Search("SEEN", seen, 0);
  total = client.Mailbox("INBOX").MessageCount();
  client.SignOut();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double Mean(const std::vector<double>& v) {
  return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

void Usage() {
  std::fprintf(
      stderr,
      "usage: postwacht_imap_bench [--host H] [--port P] [--user U] [--password P]\n"
      "                            [--cycles N] [--delay-ms D]\n"
      "The port defaults to $PW_DOVECOT_PORT (see scripts/dovecot.sh and run-bench.sh).\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (const char* port = std::getenv("PW_DOVECOT_PORT")) o.port = std::atoi(port);
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 >= argc) Usage();
    std::string value = argv[++i];
    if (arg == "--host")
      o.host = value;
    else if (arg == "--port")
      o.port = std::atoi(value.c_str());
    else if (arg == "--user")
      o.user = value;
    else if (arg == "--password")
      o.password = value;
    else if (arg == "--cycles")
      o.cycles = std::atoi(value.c_str());
    else if (arg == "--delay-ms")
      o.delayMs = std::atoi(value.c_str());
    else
      Usage();
  }
  if (o.port <= 0 || o.cycles <= 0) Usage();

  std::unique_ptr<DelayProxy> proxy;
  Options via = o;
  if (o.delayMs > 0) {
    proxy = std::make_unique<DelayProxy>(o);
    via.host = "127.0.0.1";
    via.port = proxy->Port();
  }

  pw::ImapClient client([] { return pw::MakeSocketTransport(); });
  client.SetPort(via.port);
  RawClient raw;
  std::vector<double> ours;
  std::vector<double> floor;
  std::string recent, seen;
  std::int32_t total = 0;
  try {
    for (int i = 0; i < 5; ++i) {  // warm-up: server processes, caches
      OurCycle(client, via, recent, seen, total);
      raw.Cycle(via);
    }
    int ourTripsBefore = client.RoundTrips();
    raw.roundTrips = 0;
    // Alternating, so that both see the same state of the machine.
    for (int i = 0; i < o.cycles; ++i) {
      Clock::time_point t0 = Clock::now();
      OurCycle(client, via, recent, seen, total);
      Clock::time_point t1 = Clock::now();
      raw.Cycle(via);
      Clock::time_point t2 = Clock::now();
      ours.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
      floor.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    }
    double ourTrips = static_cast<double>(client.RoundTrips() - ourTripsBefore) / o.cycles;
    double rawTrips = static_cast<double>(raw.roundTrips) / o.cycles;

    std::printf(
        "%d accounts against %s:%d as %s (%d messages, %lld seen), delay %d ms each way\n",
        o.cycles, o.host.c_str(), o.port, o.user.c_str(), total,
        seen.empty() ? 0LL : static_cast<long long>(std::count(seen.begin(), seen.end(), ',') + 1),
        o.delayMs);
    std::printf("%-22s %14s %12s %20s\n", "", "ms/account med", "mean", "round trips/account");
    std::printf("%-22s %14.3f %12.3f %20.1f\n", "Imap1 (ImapClient)", Median(ours), Mean(ours),
                ourTrips);
    std::printf("%-22s %14.3f %12.3f %20.1f\n", "raw socket client", Median(floor), Mean(floor),
                rawTrips);
    std::printf("%-22s %14.3f %12.3f\n", "ratio Imap1 / raw", Median(ours) / Median(floor),
                Mean(ours) / Mean(floor));
  } catch (const pw::AppError& e) {
    std::fprintf(stderr, "Error#%d: %s\n", e.Number(), e.Description().c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
