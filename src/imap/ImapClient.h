// The component Imap1: our own IMAP4rev1 client behind the interface the main window uses.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/ImapComponent.h"
#include "imap/ImapParser.h"
#include "imap/InputBuffer.h"
#include "imap/ServerSecurity.h"
#include "platform/Resolver.h"
#include "platform/Tls.h"
#include "platform/Transport.h"

namespace pw {

namespace imap {
class ImapSession;
}

// One connection per signed-in account. Mailbox selects read-write (SELECT), so the \Recent
// marks of the messages the server announces are used up by this session; the SELECT is sent
// together with the mailbox's first search, and with ESEARCH together with every announced
// search; announced envelopes (UID FETCH ... (UID ENVELOPE), which sets no \Seen) follow them in
// the same burst. Each call, SignIn with its connect, greeting, STARTTLS and LOGIN included, ends
// within the Timeout as a whole.
class ImapClient : public ImapComponent {
 public:
  using TransportFactory = std::function<std::unique_ptr<Transport>()>;
  using TlsFactory = std::function<std::unique_ptr<TlsEngine>(const std::string& serverName)>;

  explicit ImapClient(TransportFactory transports, imap::ParserLimits limits = {},
                      TlsFactory tls = {});
  ~ImapClient() override;

  // Values of 0 or less mean the default of 10000 ms: no call waits without limit.
  void SetTimeout(std::int32_t milliseconds) override;
  void SetPort(int port) override;
  // Unusable texts make every SignIn fail with kTlsBadSetting, before anything is sent.
  void SetSecurity(const std::string& sicherheit, const std::string& zertifikat) override;
  void SignIn(const std::string& host, const std::string& user,
              const std::string& password) override;
  // The same with an OAuth2 access token: AUTHENTICATE OAUTHBEARER where the server offers it,
  // else XOAUTH2, with the initial response in the command where SASL-IR allows.
  void SignInWithToken(const std::string& host, const std::string& user,
                       const std::string& accessToken) override;
  void PostSignIn() override;
  ImapMailbox& Mailbox(const std::string& name) override;
  // Sends LOGOUT and closes the connection without waiting for the reply. Raises nothing but
  // kNetAborted: once the counts are read, a server that fails to say goodbye changes
  // nothing. Called from an event handled while another call waits, it only closes that
  // call's connection: that call ends with kNetAborted and lets go of its session itself.
  void SignOut() override;

  // With a resolver the client looks the host up itself, once until ForgetServerAddresses, and
  // hands the transport the addresses; without one the transport looks it up on every connect.
  void SetResolver(std::unique_ptr<Resolver> resolver) { resolver_ = std::move(resolver); }
  void ForgetServerAddresses() override { addresses_.clear(); }

  // Times the client waited for a server, over all sessions so far.
  int RoundTrips() const;

 private:
  class MailboxHandle : public ImapMailbox {
   public:
    explicit MailboxHandle(ImapClient& client) : client_(client) {}
    void Search(const std::string& key, std::string& output, int flags) override;
    std::int32_t MessageCount() override;
    void Announce(const std::vector<std::string>& keys, const std::string& uidCriteria) override;
    void UidSearch(const std::string& criteria, std::string& output) override;
    std::uint32_t UidValidity() override;
    std::uint32_t UidNext() override;
    void AnnounceEnvelopes(std::uint32_t uidFrom, std::uint32_t count) override;
    std::vector<MailEnvelope> Envelopes(const std::string& set, bool byUid) override;
    std::string name;

   private:
    ImapClient& client_;
  };

  // Marks the session that a call is waiting on, for the whole call.
  class CallScope {
   public:
    CallScope(ImapClient& client, imap::ImapSession& session)
        : client_(client), outer_(client.waiting_) {
      client_.waiting_ = &session;
    }
    ~CallScope() { client_.waiting_ = outer_; }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

   private:
    ImapClient& client_;
    imap::ImapSession* outer_;
  };

  // A search announced before it is asked for, and its tag once sent.
  struct Ahead {
    bool byUid = false;
    std::string criteria;
    std::string tag;
  };

  void Start(const std::string& host, const std::string& user, const std::string& password,
             const std::string* token);
  void Authenticate(imap::ImapSession& session, const std::string& host, const std::string& user,
                    const std::string& token);
  imap::ImapSession& SignedIn();
  imap::ImapSession& Call();
  // The envelopes announced with the searches: UIDs [from, from + count), and the FETCH's tag.
  struct AheadFetch {
    std::uint32_t from = 0;
    std::uint32_t count = 0;
    std::string tag;
    bool answered = false;
  };

  std::string Issue(const std::string& mailbox, const Ahead* want);
  std::vector<MailEnvelope> FetchEnvelopes(const std::string& mailbox, const std::string& set,
                                           bool byUid);
  void RunSearch(const std::string& mailbox, bool byUid, const std::string& criteria,
                 std::string& output);
  void Open(imap::ImapSession& session, const std::string& host);
  void AskCapabilities(imap::ImapSession& session);
  std::unique_ptr<TlsEngine> Engine(const std::string& host);
  std::vector<std::string> Addresses(const std::string& host, int timeoutMs);
  bool IsSelected(const std::string& mailbox);
  void Retire(imap::ImapSession& session);

  TransportFactory transports_;
  imap::ParserLimits limits_;
  TlsFactory tls_;
  std::unique_ptr<Resolver> resolver_;
  std::string addressesOf_;
  std::vector<std::string> addresses_;
  imap::SecuritySettings security_;
  std::optional<AppError> securityError_;
  int timeoutMs_ = 10000;
  int port_ = 143;
  std::unique_ptr<imap::ImapSession> session_;
  imap::ImapSession* waiting_ = nullptr;
  MailboxHandle mailbox_{*this};
  imap::InputBuffer buffer_;  // the receive buffer between two sessions
  std::string aheadMailbox_;
  std::vector<Ahead> ahead_;
  AheadFetch aheadFetch_;
  int pastRoundTrips_ = 0;
};

}  // namespace pw
