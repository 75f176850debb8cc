// One IMAP4rev1 connection: explicit state, tagged commands, replies matched by tag.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/MailNews.h"
#include "imap/ImapParser.h"
#include "imap/ImapResponse.h"
#include "imap/ImapWire.h"
#include "imap/InputBuffer.h"
#include "imap/SecureTransport.h"
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
  // AUTHENTICATE: the server's error challenge, decoded (a JSON text for OAUTHBEARER).
  std::string challenge;
  // SEARCH: the matching numbers as a sequence set, compact as the server sent it with ESEARCH
  // ("1:40000,40002"), as a plain comma list without.
  std::string set;
};

// Commands are queued, sent together by Flush (so several can be in flight at once) and
// collected with Await by tag, in whatever order the server completes them. Every wait for
// the server ends by the deadline of the current call (SetTimeLimit); a failure of the
// transport or of the protocol closes the connection and raises AppError.
class ImapSession {
 public:
  explicit ImapSession(std::unique_ptr<Transport> transport, ParserLimits limits = {});
  ~ImapSession();
  ImapSession(const ImapSession&) = delete;
  ImapSession& operator=(const ImapSession&) = delete;

  // Looks the host's addresses up within the time given; without one the transport does.
  using AddressLookup = std::function<std::vector<std::string>(const std::string&, int)>;
  void SetAddressLookup(AddressLookup lookup) { lookup_ = std::move(lookup); }

  // Connects and reads the greeting, both within timeoutMs; the deadline stays in force for
  // what follows until the next SetTimeLimit. A server that turns the session away with BYE
  // raises kImapServerBusy.
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
  // AUTHENTICATE with the initial response in the command (RFC 4959) when the server offers
  // SASL-IR, else after its empty challenge. A further challenge is the server's error report
  // (RFC 7628 3.2.2): it is answered with `errorAnswer` and its decoded text is kept for the
  // Completion; the server then fails the command.
  std::string QueueAuthenticate(std::string_view mechanism, const std::string& initialResponse,
                                const std::string& errorAnswer);
  std::string QueueSelect(std::string_view mailbox);
  // With ESEARCH (RFC 4731) a search goes out as SEARCH RETURN (ALL) and its result carries its
  // tag, so any number may be in flight. Without, untagged SEARCH data carries no tag and only
  // one search may be in flight at a time.
  std::string QueueSearch(std::string_view criteria, bool byUid = false);
  bool SearchesCarryTags() const { return HasCapability("ESEARCH"); }
  // UID FETCH set (UID ENVELOPE), or FETCH by sequence numbers: read-only, nothing is marked
  // \Seen. The envelopes go to Fetched() as they come, at most kMaxFetched of them; a malformed
  // one is left out.
  std::string QueueFetchEnvelopes(std::string_view set, bool byUid);
  static constexpr std::size_t kMaxFetched = 16;
  std::vector<MailEnvelope>& Fetched() { return fetched_; }
  std::string QueueLogout();
  std::string QueueCapability();
  std::string QueueStartTls();
  void Flush();
  Completion Await(const std::string& tag);

  void Close();

  // Takes over the buffer of an earlier session (before anything was received).
  void AdoptBuffer(InputBuffer buffer);
  // Gives the buffer up, for the next session; what it held is dropped.
  InputBuffer ReleaseBuffer();

  // Starts the time limit of one call of the component: every connect, send and wait until the
  // next SetTimeLimit must end within timeoutMs from now, and all it receives must stay within
  // the limits' maxAnswer (else the reply is malformed).
  void SetTimeLimit(int timeoutMs);

  SessionState State() const { return state_; }
  const std::string& SelectedMailbox() const { return mailbox_; }
  std::uint32_t Exists() const { return exists_; }
  std::uint32_t Recent() const { return recent_; }
  // What the SELECT reported; 0 when the server named none.
  std::uint32_t UidValidity() const { return uidValidity_; }
  std::uint32_t UidNext() const { return uidNext_; }
  bool HasCapability(std::string_view name) const;
  // Times the session waited for the server after sending something (the connect included).
  int RoundTrips() const { return roundTrips_; }

 private:
  enum class Command { Login, Authenticate, Select, Search, Fetch, Logout, Capability, StartTls };
  struct Pending {
    Command command;
    std::string mailbox;
    bool done = false;
    bool tagged = false;  // a search whose results come as ESEARCH with its tag
    Completion completion;
  };
  using Clock = std::chrono::steady_clock;

  std::string Queue(Command command, std::string_view name, WireCommand arguments,
                    std::string mailbox = {});
  void Send(const std::string& bytes);
  bool AwaitContinuation(const std::string& tag);
  Response Next();
  void MakeRoom();
  void Dispatch(Response&& response);
  void OnTagged(const Response& response);
  void OnAuthChallenge(const Response& response);
  void OnUntagged(Response& response);
  [[noreturn]] void OnConnectionClosed();
  [[noreturn]] void Fail(const AppError& error);
  void SetState(SessionState state) { state_ = state; }
  void Connect(const std::string& host, int port);
  void ReadGreeting();
  int MillisecondsLeft();
  void AddToSet(std::string& set, std::string&& more);
  void Secure(std::unique_ptr<TlsEngine> engine, const TlsPeer& peer);

  std::unique_ptr<Transport> transport_;
  AddressLookup lookup_;
  ResponseParser parser_;
  std::size_t maxAnswer_;
  std::size_t maxSet_;
  std::size_t answerBytes_ = 0;  // received since the call began
  SessionState state_ = SessionState::Disconnected;
  Clock::time_point deadline_ = Clock::now() + std::chrono::milliseconds(10000);
  unsigned nextTag_ = 1;
  std::map<std::string, Pending> pending_;
  std::vector<std::pair<std::string, WireCommand>> outgoing_;
  int fetches_ = 0;  // FETCH commands in flight
  std::vector<MailEnvelope> fetched_;
  std::string untaggedSearch_;  // the tag of the one search without ESEARCH in flight, or ""
  bool awaitingContinuation_ = false;
  std::string authTag_;          // the AUTHENTICATE in flight, or ""
  std::string authErrorAnswer_;  // what answers its error challenge
  bool authChallenged_ = false;
  bool continued_ = false;
  InputBuffer input_;
  std::size_t inputLen_ = 0;  // bytes of input_ received
  std::size_t inputPos_ = 0;  // bytes of input_ parsed
  std::set<std::string> capabilities_;
  std::string mailbox_;
  std::uint32_t exists_ = 0;
  std::uint32_t recent_ = 0;
  std::uint32_t uidValidity_ = 0;
  std::uint32_t uidNext_ = 0;
  bool bye_ = false;
  std::string byeText_;
  int roundTrips_ = 0;
  bool sentSinceWait_ = false;
  bool secured_ = false;
};

}  // namespace pw::imap
