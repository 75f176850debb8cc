// One IMAP4rev1 connection: explicit state, tagged commands, replies matched by tag.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/imap/ImapParser.h"
#include "app/imap/ImapResponse.h"
#include "app/imap/ImapWire.h"
#include "app/imap/SecureTransport.h"
#include "platform/Tls.h"
#include "platform/Transport.h"

namespace pw::imap {

enum class SessionState {
  Disconnected,
  Greeting,
  NotAuthenticated,
  Authenticated,
  Selected,
  LoggedOut
};

// How a command ended, with the data that belongs to it.
struct Completion {
  Condition condition = Condition::None;
  std::string code;
  std::string text;
  std::vector<std::uint32_t> numbers;  // SEARCH
};

// Commands are queued, sent together by Flush (so several can be in flight at once) and
// collected with Await by tag, in whatever order the server completes them. Every wait for
// the server is bounded by the timeout; a failure of the transport or of the protocol closes
// the connection and raises AppError.
class ImapSession {
 public:
  explicit ImapSession(std::unique_ptr<Transport> transport, ParserLimits limits = {});
  ~ImapSession();
  ImapSession(const ImapSession&) = delete;
  ImapSession& operator=(const ImapSession&) = delete;

  // Connects and reads the greeting, both within timeoutMs, which also bounds every later
  // wait. A server that turns the session away with BYE raises 12011.
  void Open(const std::string& host, int port, int timeoutMs);
  // The same with TLS from the first byte: the handshake and the certificate's judgement come
  // between the connect and the greeting, all within timeoutMs.
  void OpenSecure(const std::string& host, int port, int timeoutMs,
                  std::unique_ptr<TlsEngine> engine, const TlsPeer& peer);
  // After the server's OK to STARTTLS: whatever it sent after that OK is dropped unread (it
  // came in clear and could be anybody's), the handshake runs, and the capabilities are
  // forgotten, to be asked for again over the secured connection.
  void StartTls(std::unique_ptr<TlsEngine> engine, const TlsPeer& peer);
  bool Secured() const { return secured_; }

  std::string QueueLogin(std::string_view user, std::string_view password);
  std::string QueueSelect(std::string_view mailbox);
  // Untagged SEARCH data carries no tag, so only one search may be in flight at a time.
  std::string QueueSearch(std::string_view criteria);
  std::string QueueLogout();
  std::string QueueCapability();
  std::string QueueStartTls();
  void Flush();
  Completion Await(const std::string& tag);

  void Close();

  SessionState State() const { return state_; }
  const std::string& SelectedMailbox() const { return mailbox_; }
  std::uint32_t Exists() const { return exists_; }
  std::uint32_t Recent() const { return recent_; }
  bool HasCapability(std::string_view name) const;
  // Times the session waited for the server after sending something (the connect included).
  int RoundTrips() const { return roundTrips_; }

 private:
  enum class Command { Login, Select, Search, Logout, Capability, StartTls };
  struct Pending {
    Command command;
    std::string mailbox;
    bool done = false;
    Completion completion;
  };
  using Clock = std::chrono::steady_clock;

  std::string Queue(Command command, std::string_view name, WireCommand arguments,
                    std::string mailbox = {});
  void Send(const std::string& bytes);
  bool AwaitContinuation(const std::string& tag);
  Response Next(Clock::time_point deadline);
  void Dispatch(const Response& response);
  void OnTagged(const Response& response);
  void OnUntagged(const Response& response);
  [[noreturn]] void OnConnectionClosed();
  [[noreturn]] void Fail(const AppError& error);
  void SetState(SessionState state) { state_ = state; }
  void Connect(const std::string& host, int port, int timeoutMs);
  void ReadGreeting(std::chrono::steady_clock::time_point deadline);
  void Secure(std::unique_ptr<TlsEngine> engine, const TlsPeer& peer);

  std::unique_ptr<Transport> transport_;
  ResponseParser parser_;
  SessionState state_ = SessionState::Disconnected;
  int timeoutMs_ = 10000;
  unsigned nextTag_ = 1;
  std::map<std::string, Pending> pending_;
  std::vector<std::pair<std::string, WireCommand>> outgoing_;
  bool searchInFlight_ = false;
  std::vector<std::uint32_t> searchData_;
  bool awaitingContinuation_ = false;
  bool continued_ = false;
  std::string input_;
  std::size_t inputPos_ = 0;
  std::set<std::string> capabilities_;
  std::string mailbox_;
  std::uint32_t exists_ = 0;
  std::uint32_t recent_ = 0;
  bool bye_ = false;
  std::string byeText_;
  int roundTrips_ = 0;
  bool sentSinceWait_ = false;
  bool secured_ = false;
};

}  // namespace pw::imap
