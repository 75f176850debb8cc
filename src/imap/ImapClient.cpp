#include "imap/ImapClient.h"

#include <algorithm>
#include <limits>

#include "common/Text.h"
#include "common/Url.h"
#include "imap/ImapErrors.h"
#include "imap/ImapSession.h"
#include "imap/ImapWire.h"
#include "imap/Sasl.h"
#include "imap/ServerBusy.h"

namespace pw {
namespace {

using imap::Completion;
using imap::Condition;
using imap::ImapSession;
using imap::SessionState;

constexpr int kDefaultTimeoutMs = 10000;

// The failure of a command after the login, as NO or BAD.
AppError CommandError(const std::string& command, const Completion& c) {
  if (c.condition == Condition::No) {
    return imap::Error(kImapCommandFailed,
                       ErrorDescription(kImapCommandFailed, {command, imap::ServerText(c.text)}));
  }
  return imap::Error(kImapCommandRejected,
                     ErrorDescription(kImapCommandRejected, {command, imap::ServerText(c.text)}));
}

// NO to LOGIN: a wrong user name or password unless the response code tells of a passing
// condition of the server (RFC 5530) or the text of a throttled request (Exchange Online).
AppError LoginError(const Completion& c) {
  std::string text = imap::ServerText(c.text);
  if (c.condition == Condition::No) {
    if (imap::AsksForPatience(c.code, c.text)) {
      return imap::Error(kImapServerBusy, FillIn(kDescLoginDeferred, {text}));
    }
    if (c.code == "PRIVACYREQUIRED") {
      return imap::Error(kImapLoginDisabled, FillIn(kDescPrivacyRequired, {text}));
    }
    return imap::Error(kImapErrorLoginRefused, ErrorDescription(kImapErrorLoginRefused, text));
  }
  return CommandError("LOGIN", c);
}

bool SameMailbox(const std::string& a, const std::string& b) {
  // INBOX is the one name that is not case-sensitive (RFC 3501 5.1).
  if (EqualsNoCase(a, "INBOX")) return EqualsNoCase(b, "INBOX");
  return a == b;
}

std::string SelectCommand(const std::string& mailbox) {
  return "SELECT \"" + imap::ServerText(mailbox) + "\"";
}

}  // namespace

ImapClient::ImapClient(TransportFactory transports, imap::ParserLimits limits, TlsFactory tls)
    : transports_(std::move(transports)), limits_(limits), tls_(std::move(tls)) {}

ImapClient::~ImapClient() {
  if (session_) session_->Close();
}

void ImapClient::SetTimeout(std::int32_t milliseconds) {
  timeoutMs_ = milliseconds > 0 ? milliseconds : kDefaultTimeoutMs;
}

void ImapClient::SetPort(int port) { port_ = port; }

void ImapClient::SetSecurity(const std::string& sicherheit, const std::string& zertifikat) {
  securityError_.reset();
  security_ = {};
  try {
    security_ = imap::ParseSecurity(sicherheit, zertifikat);
  } catch (const AppError& e) {
    securityError_ = e;
  }
}

std::unique_ptr<TlsEngine> ImapClient::Engine(const std::string& host) {
  if (!tls_) {
    throw TlsError(kTlsFailed, kDescNoTlsEngine);
  }
  return tls_(host);
}

std::vector<std::string> ImapClient::Addresses(const std::string& host, int timeoutMs) {
  if (addresses_.empty() || addressesOf_ != host) {
    addresses_.clear();
    std::vector<std::string> found = resolver_->Resolve(host, timeoutMs);
    addressesOf_ = host;
    addresses_ = std::move(found);
  }
  return addresses_;
}

void ImapClient::AskCapabilities(ImapSession& session) {
  std::string tag = session.QueueCapability();
  session.Flush();
  Completion c = session.Await(tag);
  if (c.condition != Condition::Ok) throw CommandError("CAPABILITY", c);
}

// Connects, secures the connection as the settings ask and reads the greeting; returns with
// the session not yet signed in (or preauthenticated) and the capabilities known.
void ImapClient::Open(ImapSession& session, const std::string& host) {
  imap::TlsPeer peer{host, security_.pin};
  if (security_.mode == imap::Security::Implicit) {
    session.OpenSecure(host, port_, timeoutMs_, Engine(host), peer);
  } else {
    session.Open(host, port_, timeoutMs_);
  }
  if (security_.mode == imap::Security::StartTls &&
      session.State() != SessionState::NotAuthenticated) {
    // PREAUTH: the server began the session without a login, and STARTTLS is no longer allowed.
    throw TlsError(kTlsNotOffered, kDescStartTlsAfterPreauth);
  }
  if (session.State() != SessionState::NotAuthenticated) return;
  // Servers that do not name their capabilities in the greeting are asked.
  if (!session.HasCapability("IMAP4REV1")) AskCapabilities(session);
  if (security_.mode != imap::Security::StartTls) return;
  if (!session.HasCapability("STARTTLS")) {
    throw TlsError(kTlsNotOffered, ErrorDescription(kTlsNotOffered));
  }
  std::string tag = session.QueueStartTls();
  session.Flush();
  Completion c = session.Await(tag);
  if (c.condition != Condition::Ok) {
    throw TlsError(kTlsRefused, ErrorDescription(kTlsRefused, imap::ServerText(c.text)));
  }
  // The capabilities are asked for again over TLS, together with the LOGIN (SignIn).
  session.StartTls(Engine(host), peer);
}

int ImapClient::RoundTrips() const {
  return pastRoundTrips_ + (session_ ? session_->RoundTrips() : 0);
}

void ImapClient::Retire(ImapSession& session) {
  pastRoundTrips_ += session.RoundTrips();
  session.Close();
  buffer_ = session.ReleaseBuffer();
}

void ImapClient::SignIn(const std::string& host, const std::string& user,
                        const std::string& password) {
  Start(host, user, password, nullptr);
}

void ImapClient::SignInWithToken(const std::string& host, const std::string& user,
                                 const std::string& accessToken) {
  Start(host, user, {}, &accessToken);
}

// The mechanism the server offers, OAUTHBEARER first (the standard one).
static imap::OAuthMechanism ChooseMechanism(const ImapSession& session) {
  if (session.HasCapability("AUTH=OAUTHBEARER")) return imap::OAuthMechanism::OAuthBearer;
  if (session.HasCapability("AUTH=XOAUTH2")) return imap::OAuthMechanism::XOAuth2;
  throw imap::Error(kOAuthNoMechanism, ErrorDescription(kOAuthNoMechanism));
}

// AUTHENTICATE with the token; its NO is the token refused for this user name.
void ImapClient::Authenticate(ImapSession& session, const std::string& host,
                              const std::string& user, const std::string& token) {
  // An access token opens every delegated mailbox: in clear only to the own machine.
  if (!session.Secured() && !IsLoopbackHost(host)) {
    throw imap::Error(kOAuthPlainConnection,
                      ErrorDescription(kOAuthPlainConnection, imap::ServerText(host)));
  }
  const imap::OAuthMechanism mechanism = ChooseMechanism(session);
  const std::string tag = session.QueueAuthenticate(
      imap::MechanismName(mechanism), imap::InitialResponse(mechanism, user, token, host, port_),
      imap::ErrorChallengeAnswer(mechanism));
  session.Flush();
  Completion c = session.Await(tag);
  if (c.condition == Condition::No && imap::AsksForPatience(c.code, c.text)) {
    throw imap::Error(kImapServerBusy, FillIn(kDescLoginDeferred, {imap::ServerText(c.text)}));
  }
  if (c.condition == Condition::No) {
    throw imap::Error(
        kOAuthTokenRefused,
        ErrorDescription(kOAuthTokenRefused, {imap::ServerText(user), imap::ServerText(c.text)}));
  }
  if (c.condition != Condition::Ok) throw CommandError("AUTHENTICATE", c);
}

void ImapClient::Start(const std::string& host, const std::string& user,
                       const std::string& password, const std::string* token) {
  SignOut();
  ahead_.clear();
  aheadFetch_ = {};
  if (imap::HasLineBreakOrNul(user) || imap::HasLineBreakOrNul(password)) {
    throw imap::Error(kImapUnsafeText, ErrorDescription(kImapUnsafeText));
  }
  if (port_ < 1 || port_ > 65535) {
    throw imap::Error(kImapBadArgument, FillIn(kDescBadPort, {std::to_string(port_)}));
  }
  if (securityError_) throw *securityError_;
  auto session = std::make_unique<ImapSession>(transports_(), limits_);
  session->AdoptBuffer(std::move(buffer_));
  if (resolver_) {
    session->SetAddressLookup(
        [this](const std::string& name, int timeoutMs) { return Addresses(name, timeoutMs); });
  }
  try {
    // Open leaves the time limit of this call in force for the LOGIN as well.
    CallScope call(*this, *session);
    Open(*session, host);
    if (session->State() == SessionState::NotAuthenticated && token) {
      // The mechanism is chosen from the capabilities, which STARTTLS made us forget.
      if (security_.mode == imap::Security::StartTls) AskCapabilities(*session);
      Authenticate(*session, host, user, *token);
    } else if (session->State() == SessionState::NotAuthenticated) {
      const AppError disabled(imap::Error(
          kImapLoginDisabled, session->Secured() ? ErrorDescription(kImapLoginDisabled)
                                                 : std::string(kDescLoginDisabledPlain)));
      // After STARTTLS the capabilities are still to be asked; the LOGIN goes out with that
      // question, over TLS either way.
      const bool afterStartTls = security_.mode == imap::Security::StartTls;
      if (!afterStartTls && session->HasCapability("LOGINDISABLED")) throw disabled;
      std::string capability = afterStartTls ? session->QueueCapability() : std::string();
      std::string tag = session->QueueLogin(user, password);
      session->Flush();
      if (!capability.empty()) {
        Completion c = session->Await(capability);
        if (c.condition != Condition::Ok) throw CommandError("CAPABILITY", c);
      }
      Completion c = session->Await(tag);
      if (c.condition != Condition::Ok) {
        if (session->HasCapability("LOGINDISABLED")) throw disabled;
        throw LoginError(c);
      }
    }
  } catch (...) {
    Retire(*session);
    throw;
  }
  session_ = std::move(session);
}

ImapSession& ImapClient::SignedIn() {
  if (!session_ || (session_->State() != SessionState::Authenticated &&
                    session_->State() != SessionState::Selected)) {
    throw imap::Error(kImapNotSignedIn, ErrorDescription(kImapNotSignedIn));
  }
  return *session_;
}

void ImapClient::PostSignIn() { SignedIn(); }

ImapSession& ImapClient::Call() {
  ImapSession& s = SignedIn();
  s.SetTimeLimit(timeoutMs_);
  return s;
}

ImapMailbox& ImapClient::Mailbox(const std::string& name) {
  SignedIn();
  if (name.empty() || imap::HasLineBreakOrNul(name)) {
    throw imap::Error(kImapBadArgument, kDescBadMailboxName);
  }
  mailbox_.name = name;
  return mailbox_;
}

bool ImapClient::IsSelected(const std::string& mailbox) {
  ImapSession& s = SignedIn();
  return s.State() == SessionState::Selected && SameMailbox(s.SelectedMailbox(), mailbox);
}

void ImapClient::SignOut() {
  if (waiting_) {
    // The waiting call is still on the stack and uses its session: close, never destroy.
    waiting_->Close();
    return;
  }
  if (!session_) return;
  std::unique_ptr<ImapSession> session = std::move(session_);
  SessionState state = session->State();
  if (state == SessionState::NotAuthenticated || state == SessionState::Authenticated ||
      state == SessionState::Selected) {
    try {
      // The reply would change nothing, so nobody waits for it.
      CallScope call(*this, *session);
      session->SetTimeLimit(timeoutMs_);
      session->QueueLogout();
      session->Flush();
    } catch (const AppError& e) {
      // Closing the connection below ends the session just as well; only a LOGOUT that a
      // nested SignOut cut off is reported, so that the run ends like any other call.
      if (e.Number() == kNetAborted) {
        Retire(*session);
        throw;
      }
    }
  }
  Retire(*session);
}

// Sends what mailbox needs that is not on its way yet: its SELECT, with ESEARCH every search
// announced for it, and the search want (when given); waits for the SELECT and returns the tag
// of want.
std::string ImapClient::Issue(const std::string& mailbox, const Ahead* want) {
  ImapSession& s = *session_;
  std::string select;
  if (!IsSelected(mailbox)) select = s.QueueSelect(mailbox);
  const bool announced = SameMailbox(aheadMailbox_, mailbox);
  Ahead* wanted = nullptr;
  if (want && announced) {
    for (Ahead& a : ahead_) {
      if (a.byUid == want->byUid && a.criteria == want->criteria) wanted = &a;
    }
  }
  std::vector<std::string> sent;
  if (announced && s.SearchesCarryTags()) {
    for (Ahead& a : ahead_) {
      if (a.tag.empty()) sent.push_back(a.tag = s.QueueSearch(a.criteria, a.byUid));
    }
  }
  if (announced && aheadFetch_.count > 0 && aheadFetch_.tag.empty()) {
    // After the searches, so that their answers come before the envelopes.
    s.Fetched().clear();
    const std::uint64_t last = std::uint64_t{aheadFetch_.from} + aheadFetch_.count - 1;
    aheadFetch_.tag =
        s.QueueFetchEnvelopes(std::to_string(aheadFetch_.from) + ":" +
                                  std::to_string(std::min<std::uint64_t>(
                                      last, std::numeric_limits<std::uint32_t>::max())),
                              true);
    sent.push_back(aheadFetch_.tag);
  }
  std::string tag;
  if (wanted && !wanted->tag.empty()) {
    tag = wanted->tag;
  } else if (want) {
    tag = s.QueueSearch(want->criteria, want->byUid);
    sent.push_back(tag);
    if (wanted) wanted->tag = tag;
  }
  s.Flush();
  if (!select.empty()) {
    Completion c = s.Await(select);
    if (c.condition != Condition::Ok) {
      // The searches fail for want of a mailbox; only the SELECT's answer matters.
      for (const std::string& t : sent) s.Await(t);
      ahead_.clear();
      aheadFetch_ = {};
      throw CommandError(SelectCommand(mailbox), c);
    }
  }
  return tag;
}

void ImapClient::RunSearch(const std::string& mailbox, bool byUid, const std::string& criteria,
                           std::string& output) {
  ImapSession& s = Call();
  CallScope call(*this, s);
  if (!imap::IsSearchCriteria(criteria)) {
    throw imap::Error(kImapBadArgument, ErrorDescription(kImapBadArgument));
  }
  Ahead want{byUid, criteria, {}};
  std::string tag = Issue(mailbox, &want);
  // An announced search is answered once; asked again, it goes to the server again.
  std::erase_if(ahead_, [&](const Ahead& a) { return a.tag == tag; });
  Completion c = s.Await(tag);
  if (c.condition != Condition::Ok) {
    throw CommandError((byUid ? "UID SEARCH " : "SEARCH ") + criteria, c);
  }
  if (c.set.find(':') == std::string::npos) {
    output = std::move(c.set);  // a plain comma list already, as without ESEARCH
  } else if (!imap::ExpandSet(c.set, output, limits_.maxSearchLine)) {
    s.Close();
    throw imap::Error(kImapMalformedReply, ErrorDescription(kImapMalformedReply));
  }
}

void ImapClient::MailboxHandle::Search(const std::string& key, std::string& output, int) {
  client_.RunSearch(name, false, key, output);
}

void ImapClient::MailboxHandle::UidSearch(const std::string& criteria, std::string& output) {
  client_.RunSearch(name, true, criteria, output);
}

void ImapClient::MailboxHandle::Announce(const std::vector<std::string>& keys,
                                         const std::string& uidCriteria) {
  client_.SignedIn();
  std::vector<Ahead> ahead;
  for (const std::string& key : keys) ahead.push_back({false, key, {}});
  if (!uidCriteria.empty()) ahead.push_back({true, uidCriteria, {}});
  for (const Ahead& a : ahead) {
    if (!imap::IsSearchCriteria(a.criteria)) {
      throw imap::Error(kImapBadArgument, ErrorDescription(kImapBadArgument));
    }
  }
  client_.aheadMailbox_ = name;
  client_.ahead_ = std::move(ahead);
  client_.aheadFetch_ = {};
}

void ImapClient::MailboxHandle::AnnounceEnvelopes(std::uint32_t uidFrom, std::uint32_t count) {
  client_.SignedIn();
  if (!SameMailbox(client_.aheadMailbox_, name)) {
    client_.aheadMailbox_ = name;
    client_.ahead_.clear();
  }
  client_.aheadFetch_ = {};
  if (uidFrom > 0) client_.aheadFetch_.count = std::min<std::uint32_t>(count, kMaxNewsFetched);
  client_.aheadFetch_.from = uidFrom;
}

std::vector<MailEnvelope> ImapClient::MailboxHandle::Envelopes(const std::string& set, bool byUid) {
  return client_.FetchEnvelopes(name, set, byUid);
}

namespace {

// The numbers of a comma list of single numbers; false for anything else.
bool SplitNumbers(const std::string& set, std::vector<std::uint32_t>& numbers) {
  std::size_t from = 0;
  while (from <= set.size()) {
    std::size_t comma = set.find(',', from);
    if (comma == std::string::npos) comma = set.size();
    std::uint64_t n = 0;
    if (comma == from || comma - from > 10) return false;
    for (std::size_t i = from; i < comma; ++i) {
      if (set[i] < '0' || set[i] > '9') return false;
      n = n * 10 + static_cast<std::uint64_t>(set[i] - '0');
    }
    if (n == 0 || n > std::numeric_limits<std::uint32_t>::max()) return false;
    numbers.push_back(static_cast<std::uint32_t>(n));
    from = comma + 1;
  }
  return true;
}

}  // namespace

std::vector<MailEnvelope> ImapClient::FetchEnvelopes(const std::string& mailbox,
                                                     const std::string& set, bool byUid) {
  ImapSession& s = Call();
  CallScope call(*this, s);
  std::vector<std::uint32_t> wanted;
  if (!SplitNumbers(set, wanted) || wanted.size() > kMaxNewsFetched) {
    throw imap::Error(kImapBadArgument, ErrorDescription(kImapBadArgument));
  }
  Issue(mailbox, nullptr);
  const AheadFetch& ahead = aheadFetch_;
  const bool inBurst = byUid && SameMailbox(aheadMailbox_, mailbox) && !ahead.tag.empty() &&
                       std::all_of(wanted.begin(), wanted.end(), [&](std::uint32_t uid) {
                         return uid >= ahead.from && uid - ahead.from < ahead.count;
                       });
  std::string tag = inBurst ? ahead.tag : std::string();
  if (!inBurst) {
    if (!ahead.tag.empty() && !ahead.answered) {
      s.Await(ahead.tag);  // its envelopes would mix with these
      aheadFetch_.answered = true;
    }
    s.Fetched().clear();
    tag = s.QueueFetchEnvelopes(set, byUid);
    s.Flush();
  }
  if (!inBurst || !ahead.answered) {
    // A refusal is no failure of the check: the messages are announced without envelopes.
    s.Await(tag);
    if (inBurst) aheadFetch_.answered = true;
  }
  if (!byUid) return s.Fetched();
  std::vector<MailEnvelope> found;
  for (std::uint32_t uid : wanted) {
    auto it = std::find_if(s.Fetched().begin(), s.Fetched().end(),
                           [&](const MailEnvelope& e) { return e.uid == uid; });
    if (it != s.Fetched().end()) found.push_back(*it);
  }
  return found;
}

std::int32_t ImapClient::MailboxHandle::MessageCount() {
  ImapSession& s = client_.Call();
  CallScope call(client_, s);
  client_.Issue(name, nullptr);
  std::uint32_t exists = s.Exists();
  constexpr auto kMax = static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(exists > kMax ? kMax : exists);
}

std::uint32_t ImapClient::MailboxHandle::UidValidity() {
  ImapSession& s = client_.Call();
  CallScope call(client_, s);
  client_.Issue(name, nullptr);
  return s.UidValidity();
}

std::uint32_t ImapClient::MailboxHandle::UidNext() {
  ImapSession& s = client_.Call();
  CallScope call(client_, s);
  client_.Issue(name, nullptr);
  return s.UidNext();
}

}  // namespace pw
