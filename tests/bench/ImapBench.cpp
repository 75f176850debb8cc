// Benchmark: the check of N accounts by Imap1 beside a raw-socket client doing the least a careful
// hand-written client could for the same counts, per "Sicherheit", on loopback and behind a proxy
// that delays every chunk, against one server in the same run.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/AppError.h"
#include "imap/ImapClient.h"
#include "platform/Tls.h"
#include "platform/Transport.h"

namespace {

using Clock = std::chrono::steady_clock;

enum class Mode { Keine, StartTls, SslTls };
constexpr const char* kModeNames[] = {"Keine", "STARTTLS", "SSL/TLS"};

struct Options {
  std::string host = "localhost";  // the test certificate's name
  int port = 0;                    // plain IMAP (and STARTTLS)
  int imapsPort = 0;               // implicit TLS
  int accounts = 10;
  int rounds = 5;
  int delayMs = 10;
  std::vector<Mode> modes;
  // --proxy: only the delaying proxy in front of the plain port, until the process is ended.
  bool proxyOnly = false;
  int signInMs = 0;
};

struct Account {
  std::string user;
  std::string password;
};

// What the check run reads of one account; RECENT is left out of the comparison because the
// first SELECT of either client uses the marks up.
struct Counts {
  std::string seen;
  std::int32_t total = -1;
  bool operator==(const Counts&) const = default;
};

std::string Named(const char* format, int i) {
  char text[64];
  std::snprintf(text, sizeof text, format, i);
  return text;
}

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

// The floor: blocking socket, OpenSSL over memory buffers with one context for the process, no
// parser beyond finding the tagged line. Plain: greeting; LOGIN; SELECT and both searches in one
// burst; LOGOUT sent without waiting. STARTTLS adds STARTTLS and the handshake before the LOGIN,
// SSL/TLS the handshake before the greeting. A turn is a wait for the server after sending (the
// connect included), counted as the client counts its own.
class RawClient {
 public:
  int turns = 0;

  RawClient() {
    ctx_ = SSL_CTX_new(TLS_client_method());
    if (!ctx_) throw std::runtime_error("raw client: no TLS context");
    SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(ctx_);  // SSL_CERT_FILE names the test CA
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
  }
  ~RawClient() { SSL_CTX_free(ctx_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  Counts Check(const std::string& host, int port, Mode mode, const Account& a) {
    fd_ = ConnectTo(host, port);
    sent_ = true;
    buffer_.clear();
    taken_ = 0;
    if (mode == Mode::SslTls) Handshake(host);
    WaitFor("* ");
    if (mode == Mode::StartTls) {
      Send("A0 STARTTLS\r\n");
      WaitFor("A0 ");
      buffer_.clear();  // whatever came in clear after the OK is not read
      taken_ = 0;
      Handshake(host);
    }
    Send("A1 LOGIN \"" + a.user + "\" \"" + a.password + "\"\r\n");
    std::size_t login = WaitFor("A1 ");
    if (std::string_view(buffer_).substr(0, login).find("A1 OK ") == std::string::npos) {
      throw std::runtime_error("raw client: login failed for " + a.user);
    }
    Send("A2 SELECT \"INBOX\"\r\nA3 SEARCH RECENT\r\nA4 SEARCH SEEN\r\n");
    std::size_t burst = WaitFor("A4 ");
    Counts counts = Read(std::string_view(buffer_).substr(0, burst));
    Send("A5 LOGOUT\r\n");
    if (ssl_) {
      SSL_shutdown(ssl_);
      Flush();
      SSL_free(ssl_);
      ssl_ = nullptr;
    }
    close(fd_);
    return counts;
  }

 private:
  // The counts from the burst's lines: the last EXISTS, the second SEARCH.
  static Counts Read(std::string_view burst) {
    Counts c;
    int searches = 0;
    for (std::size_t at = 0; at < burst.size();) {
      std::size_t end = burst.find("\r\n", at);
      std::string_view line = burst.substr(at, end - at);
      at = end + 2;
      if (line.substr(0, 9) == "* SEARCH " || line == "* SEARCH") {
        if (++searches == 2 && line.size() > 9) {
          c.seen.reserve(line.size() - 9);
          for (char ch : line.substr(9)) c.seen += ch == ' ' ? ',' : ch;
        }
      } else if (line.size() > 9 && line.substr(line.size() - 7) == " EXISTS") {
        c.total = std::atoi(std::string(line.substr(2, line.size() - 9)).c_str());
      }
    }
    return c;
  }

  void SendRaw(const char* data, std::size_t size) {
    if (send(fd_, data, size, MSG_NOSIGNAL) != static_cast<ssize_t>(size)) {
      throw std::runtime_error("raw send failed");
    }
    sent_ = true;
  }

  void Flush() {
    char chunk[16384];
    int n;
    while ((n = BIO_read(out_, chunk, sizeof chunk)) > 0) {
      SendRaw(chunk, static_cast<std::size_t>(n));
    }
  }

  void ReceiveRaw(std::string& into) {
    if (sent_) ++turns;
    sent_ = false;
    char chunk[65536];
    ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) throw std::runtime_error("raw client: connection closed");
    into.append(chunk, static_cast<std::size_t>(n));
  }

  void Feed() {
    std::string bytes;
    ReceiveRaw(bytes);
    BIO_write(in_, bytes.data(), static_cast<int>(bytes.size()));
  }

  void Handshake(const std::string& host) {
    ssl_ = SSL_new(ctx_);
    in_ = BIO_new(BIO_s_mem());
    out_ = BIO_new(BIO_s_mem());
    SSL_set_bio(ssl_, in_, out_);
    SSL_set_connect_state(ssl_);
    SSL_set_tlsext_host_name(ssl_, host.c_str());
    SSL_set1_host(ssl_, host.c_str());
    for (;;) {
      int r = SSL_do_handshake(ssl_);
      Flush();
      if (r == 1) return;
      if (SSL_get_error(ssl_, r) != SSL_ERROR_WANT_READ) {
        throw std::runtime_error("raw client: TLS handshake failed");
      }
      Feed();
    }
  }

  void Send(const std::string& s) {
    if (!ssl_) return SendRaw(s.data(), s.size());
    if (SSL_write(ssl_, s.data(), static_cast<int>(s.size())) <= 0) {
      throw std::runtime_error("raw client: TLS write failed");
    }
    Flush();
  }

  void Fill() {
    if (!ssl_) return ReceiveRaw(buffer_);
    char chunk[16384];
    for (;;) {
      int r = SSL_read(ssl_, chunk, sizeof chunk);
      if (r > 0) {
        buffer_.append(chunk, static_cast<std::size_t>(r));
        return;
      }
      if (SSL_get_error(ssl_, r) != SSL_ERROR_WANT_READ) {
        throw std::runtime_error("raw client: TLS read failed");
      }
      Flush();
      Feed();
    }
  }

  // Drops what the last wait returned, then reads until a line starting with prefix has arrived
  // in full; returns the length of the front of buffer_ up to and including that line. Every
  // byte is looked at once, however long the lines.
  std::size_t WaitFor(const std::string& prefix) {
    buffer_.erase(0, taken_);
    taken_ = 0;
    std::size_t line = 0;     // start of the first line not yet complete
    std::size_t scanned = 0;  // where the search for its end goes on
    for (;;) {
      for (std::size_t end; (end = buffer_.find("\r\n", scanned)) != std::string::npos;) {
        if (buffer_.compare(line, prefix.size(), prefix) == 0) return taken_ = end + 2;
        line = scanned = end + 2;
      }
      // A CR at the very end may pair with an LF still to come.
      scanned = std::max(line, buffer_.empty() ? 0 : buffer_.size() - 1);
      Fill();
    }
  }

  SSL_CTX* ctx_ = nullptr;
  SSL* ssl_ = nullptr;
  BIO* in_ = nullptr;
  BIO* out_ = nullptr;
  int fd_ = -1;
  bool sent_ = false;
  std::string buffer_;
  std::size_t taken_ = 0;
};

// Whether a chunk from the client holds a sign-in command (plain IMAP only: the proxy sees no
// further into TLS).
bool SignsIn(std::string_view chunk) {
  std::string upper(chunk.substr(0, 64));
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper.find(" LOGIN ") != std::string::npos ||
         upper.find(" AUTHENTICATE ") != std::string::npos;
}

// A user-space proxy that holds every chunk for delayMs in each direction: latency without netem.
// With signInMs it also holds a client's LOGIN or AUTHENTICATE that long on top, as a hosted
// server that is slow to sign in.
class DelayProxy {
 public:
  DelayProxy(const std::string& host, int port, int delayMs, int signInMs = 0)
      : host_(host),
        port_(port),
        delay_(std::chrono::milliseconds(delayMs)),
        signIn_(std::chrono::milliseconds(signInMs)) {
    listen_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0 || listen(listen_, 64)) {
      throw std::runtime_error("proxy: cannot listen");
    }
    listenPort_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }
  // Connections still open keep their threads; only new ones are refused.
  ~DelayProxy() {
    stopping_ = true;
    shutdown(listen_, SHUT_RDWR);
    acceptor_.join();
    close(listen_);
  }
  DelayProxy(const DelayProxy&) = delete;
  DelayProxy& operator=(const DelayProxy&) = delete;
  int Port() const { return listenPort_; }

 private:
  // Both sockets of one proxied connection, closed when both directions have ended.
  struct Link {
    Link(int c, int s) : client(c), server(s) {}
    ~Link() {
      close(client);
      close(server);
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;
    int client;
    int server;
  };
  struct Pipe {
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::pair<Clock::time_point, std::string>> chunks;  // empty string: end
  };

  void AcceptLoop() {
    for (;;) {
      int client = accept(listen_, nullptr, nullptr);
      if (stopping_) {
        if (client >= 0) close(client);
        return;
      }
      if (client < 0) continue;
      int one = 1;
      setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      auto link = std::make_shared<Link>(client, ConnectTo(host_, port_));
      Forward(link, link->client, link->server, signIn_);
      Forward(link, link->server, link->client, {});
    }
  }

  void Forward(const std::shared_ptr<Link>& link, int from, int to,
               std::chrono::milliseconds signIn) {
    auto pipe = std::make_shared<Pipe>();
    std::thread([link, pipe, from, signIn] {
      char chunk[65536];
      for (;;) {
        ssize_t n = recv(from, chunk, sizeof chunk, 0);
        std::string bytes = n > 0 ? std::string(chunk, static_cast<std::size_t>(n)) : "";
        const Clock::time_point arrived =
            Clock::now() + (signIn.count() > 0 && SignsIn(bytes) ? signIn : Clock::duration{});
        std::lock_guard<std::mutex> lock(pipe->m);
        pipe->chunks.emplace_back(arrived, std::move(bytes));
        pipe->cv.notify_one();
        if (n <= 0) return;
      }
    }).detach();
    std::thread([link, pipe, to, delay = delay_] {
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

  std::string host_;
  int port_;
  std::chrono::milliseconds delay_;
  std::chrono::milliseconds signIn_;
  int listen_ = -1;
  int listenPort_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
};

Counts OurCheck(pw::ImapClient& client, const std::string& host, const Account& a) {
  Counts c;
  std::string recent;
  client.SetTimeout(10000);
  client.SignIn(host, a.user, a.password);
  client.PostSignIn();
  // As the check run asks: both searches announced for one burst after LOGIN.
  client.Mailbox("INBOX").Announce({"RECENT", "SEEN"}, "");
  client.Mailbox("INBOX").Search("RECENT", recent, 0);
  client.Mailbox("INBOX").Search("SEEN", c.seen, 0);
  c.total = client.Mailbox("INBOX").MessageCount();
  client.SignOut();
  return c;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// CPU time of the calling thread: the client's own work, without the server's or the proxy's.
double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Row {
  double ourMs, rawMs, ourCpu, rawCpu, ourTurns, rawTurns;
};

// Rounds of all accounts, ours and the floor alternating so that both meet the same state of the
// machine; ms per account (wall and the client's CPU) as the median over the rounds.
Row Measure(const Options& o, Mode mode, int delayMs, const std::vector<Account>& accounts) {
  int port = mode == Mode::SslTls ? o.imapsPort : o.port;
  std::unique_ptr<DelayProxy> proxy;
  std::string host = o.host;
  if (delayMs > 0) {
    proxy = std::make_unique<DelayProxy>(o.host, port, delayMs);
    port = proxy->Port();
  }
  pw::ImapClient client([] { return pw::MakeSocketTransport(); }, pw::imap::ParserLimits{},
                        [](const std::string& name) { return pw::MakeTlsEngine(name); });
  client.SetPort(port);
  client.SetSecurity(kModeNames[static_cast<int>(mode)], "");
  RawClient raw;

  for (const Account& a : accounts) {  // warm-up, and both must read the same counts
    Counts ours = OurCheck(client, host, a);
    Counts floor = raw.Check(host, port, mode, a);
    if (!(ours == floor)) {
      throw std::runtime_error("different counts for " + a.user + ": " + ours.seen + " / " +
                               std::to_string(ours.total) + " against " + floor.seen + " / " +
                               std::to_string(floor.total));
    }
  }
  std::vector<double> ours, floor, ourCpu, rawCpu;
  int ourTurns = client.RoundTrips();
  raw.turns = 0;
  for (int round = 0; round < o.rounds; ++round) {
    Clock::time_point t0 = Clock::now();
    double c0 = CpuMs();
    for (const Account& a : accounts) OurCheck(client, host, a);
    Clock::time_point t1 = Clock::now();
    double c1 = CpuMs();
    for (const Account& a : accounts) raw.Check(host, port, mode, a);
    Clock::time_point t2 = Clock::now();
    double c2 = CpuMs();
    double n = static_cast<double>(accounts.size());
    ours.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count() / n);
    floor.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count() / n);
    ourCpu.push_back((c1 - c0) / n);
    rawCpu.push_back((c2 - c1) / n);
  }
  double checks = static_cast<double>(accounts.size()) * o.rounds;
  return {Median(ours),
          Median(floor),
          Median(ourCpu),
          Median(rawCpu),
          (client.RoundTrips() - ourTurns) / checks,
          raw.turns / checks};
}

[[noreturn]] void Usage() {
  std::fprintf(
      stderr,
      "usage: postwacht_imap_bench [--accounts N] [--rounds R] [--delay-ms D]\n"
      "                            [--security Keine|STARTTLS|SSL/TLS|all] [--host H]\n"
      "                            [--port P] [--imaps-port P]\n"
      "       postwacht_imap_bench --proxy D [--sign-in-ms S] [--port P]\n"
      "Accounts are konto01/geheim01 ... as run-bench.sh makes them; ports default to\n"
      "$PW_DOVECOT_PORT and $PW_DOVECOT_IMAPS_PORT; the test CA comes through SSL_CERT_FILE.\n"
      "Every mode runs on loopback and behind a proxy adding D ms each way (0: loopback only).\n"
      "--proxy only runs that proxy before the plain port, LOGIN and AUTHENTICATE held S ms\n"
      "more, prints its port and serves until the process is ended.\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (const char* p = std::getenv("PW_DOVECOT_PORT")) o.port = std::atoi(p);
  if (const char* p = std::getenv("PW_DOVECOT_IMAPS_PORT")) o.imapsPort = std::atoi(p);
  std::string security = "all";
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 >= argc) Usage();
    std::string value = argv[++i];
    if (arg == "--host") {
      o.host = value;
    } else if (arg == "--port") {
      o.port = std::atoi(value.c_str());
    } else if (arg == "--imaps-port") {
      o.imapsPort = std::atoi(value.c_str());
    } else if (arg == "--accounts") {
      o.accounts = std::atoi(value.c_str());
    } else if (arg == "--rounds") {
      o.rounds = std::atoi(value.c_str());
    } else if (arg == "--delay-ms") {
      o.delayMs = std::atoi(value.c_str());
    } else if (arg == "--security") {
      security = value;
    } else if (arg == "--proxy") {
      o.proxyOnly = true;
      o.delayMs = std::atoi(value.c_str());
    } else if (arg == "--sign-in-ms") {
      o.signInMs = std::atoi(value.c_str());
    } else {
      Usage();
    }
  }
  if (o.proxyOnly) {
    if (o.port <= 0 || o.delayMs < 0 || o.signInMs < 0) Usage();
    DelayProxy proxy(o.host, o.port, o.delayMs, o.signInMs);
    std::printf("%d\n", proxy.Port());
    std::fflush(stdout);
    for (;;) pause();
  }
  for (int m = 0; m < 3; ++m) {
    if (security == "all" || security == kModeNames[m]) o.modes.push_back(static_cast<Mode>(m));
  }
  if (o.port <= 0 || o.accounts <= 0 || o.rounds <= 0 || o.delayMs < 0 || o.modes.empty()) {
    Usage();
  }
  std::vector<Account> accounts;
  for (int i = 1; i <= o.accounts; ++i) {
    accounts.push_back({Named("konto%02d", i), Named("geheim%02d", i)});
  }

  std::printf("%d accounts, median of %d rounds, %s (plain %d, imaps %d)\n", o.accounts, o.rounds,
              o.host.c_str(), o.port, o.imapsPort);
  std::printf("%-9s %6s | %-27s | %-27s | %s\n", "", "", "Imap1 (ImapClient)", "raw floor",
              "Imap1 / raw");
  std::printf("%-9s %6s | %8s %8s %9s | %8s %8s %9s | %6s %6s\n", "", "delay", "ms/acc", "cpu ms",
              "turns/acc", "ms/acc", "cpu ms", "turns/acc", "ms", "cpu");
  try {
    for (Mode mode : o.modes) {
      if (mode == Mode::SslTls && o.imapsPort <= 0) {
        std::printf("%-9s no port for implicit TLS\n", kModeNames[2]);
        continue;
      }
      std::vector<int> delays{0};
      if (o.delayMs > 0) delays.push_back(o.delayMs);
      for (int delay : delays) {
        Row r = Measure(o, mode, delay, accounts);
        std::printf("%-9s %3d ms | %8.2f %8.2f %9.1f | %8.2f %8.2f %9.1f | %5.2fx %5.2fx\n",
                    kModeNames[static_cast<int>(mode)], delay, r.ourMs, r.ourCpu, r.ourTurns,
                    r.rawMs, r.rawCpu, r.rawTurns, r.ourMs / r.rawMs, r.ourCpu / r.rawCpu);
        std::fflush(stdout);
      }
    }
  } catch (const pw::AppError& e) {
    std::fprintf(stderr, "Error#%d: %s\n", e.Number(), e.Description().c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
