#include "app/imap/ImapSession.h"

#include <stdexcept>

#include "app/ImapComponent.h"
#include "app/imap/ImapErrors.h"

namespace pw::imap {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

AppError MalformedReply() {
  return Error(kMalformedReply, "Der Server hat eine ungültige Antwort gesendet.");
}

}  // namespace

ImapSession::ImapSession(std::unique_ptr<Transport> transport, ParserLimits limits)
    : transport_(std::move(transport)), parser_(limits) {}

ImapSession::~ImapSession() { Close(); }

void ImapSession::Close() {
  if (transport_) transport_->Close();
  if (state_ != SessionState::LoggedOut) SetState(SessionState::Disconnected);
  pending_.clear();
  outgoing_.clear();
  searchInFlight_ = false;
  awaitingContinuation_ = false;
}

void ImapSession::Fail(const AppError& error) {
  Close();
  throw error;
}

bool ImapSession::HasCapability(std::string_view name) const {
  return capabilities_.count(std::string(name)) != 0;
}

void ImapSession::Connect(const std::string& host, int port, int timeoutMs) {
  timeoutMs_ = timeoutMs;
  try {
    transport_->Connect(host, port, timeoutMs);
  } catch (const AppError& e) {
    Fail(e);
  }
  SetState(SessionState::Greeting);
  sentSinceWait_ = true;  // the greeting answers the connect
}

void ImapSession::Open(const std::string& host, int port, int timeoutMs) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  Connect(host, port, timeoutMs);
  ReadGreeting(deadline);
}

void ImapSession::OpenSecure(const std::string& host, int port, int timeoutMs,
                             std::unique_ptr<TlsEngine> engine, const TlsPeer& peer) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  Connect(host, port, timeoutMs);
  Secure(std::move(engine), peer);
  ReadGreeting(deadline);
}

void ImapSession::Secure(std::unique_ptr<TlsEngine> engine, const TlsPeer& peer) {
  auto secure = std::make_unique<SecureTransport>(std::move(transport_), std::move(engine));
  SecureTransport& handshake = *secure;
  transport_ = std::move(secure);
  try {
    handshake.Handshake(peer, timeoutMs_);
  } catch (const AppError& e) {
    Fail(e);
  }
  ++roundTrips_;
  secured_ = true;
}

void ImapSession::StartTls(std::unique_ptr<TlsEngine> engine, const TlsPeer& peer) {
  if (secured_ || !outgoing_.empty() || !pending_.empty()) {
    throw std::logic_error("ImapSession: STARTTLS out of turn");
  }
  input_.clear();
  inputPos_ = 0;
  capabilities_.clear();
  Secure(std::move(engine), peer);
}

void ImapSession::ReadGreeting(Clock::time_point deadline) {
  Response greeting = Next(deadline);
  if (greeting.kind != ResponseKind::Untagged) Fail(MalformedReply());
  if (!greeting.atoms.empty()) capabilities_ = {greeting.atoms.begin(), greeting.atoms.end()};
  switch (greeting.condition) {
    case Condition::Ok:
      SetState(SessionState::NotAuthenticated);
      break;
    case Condition::Preauth:
      SetState(SessionState::Authenticated);
      break;
    case Condition::Bye:
      Fail(Error(kImapErrorSilent,
                 "Der Server hat die Sitzung abgelehnt: " + ServerText(greeting.text)));
    default:
      Fail(MalformedReply());
  }
}

std::string ImapSession::Queue(Command command, std::string_view name, WireCommand arguments,
                               std::string mailbox) {
  std::string tag = "A";
  tag += std::to_string(nextTag_++);
  WireCommand wire;
  wire.bytes = tag + " " + std::string(name);
  std::size_t shift = wire.bytes.size();
  for (std::size_t w : arguments.waits) wire.waits.push_back(w + shift);
  wire.bytes += arguments.bytes + "\r\n";
  pending_[tag] = Pending{command, std::move(mailbox), false, {}};
  outgoing_.emplace_back(tag, std::move(wire));
  return tag;
}

std::string ImapSession::QueueLogin(std::string_view user, std::string_view password) {
  if (HasLineBreakOrNul(user) || HasLineBreakOrNul(password)) {
    throw Error(kUnsafeText,
                "Benutzername oder Passwort enthält einen Zeilenumbruch oder ein NUL-Zeichen.");
  }
  bool literalPlus = HasCapability("LITERAL+");
  WireCommand args;
  args.bytes = " ";
  AppendString(args, user, literalPlus);
  args.bytes += ' ';
  AppendString(args, password, literalPlus);
  return Queue(Command::Login, "LOGIN", std::move(args));
}

std::string ImapSession::QueueSelect(std::string_view mailbox) {
  if (HasLineBreakOrNul(mailbox)) {
    throw Error(kBadArgument, "Der Name des Postfachs enthält ein unzulässiges Zeichen.");
  }
  WireCommand args;
  args.bytes = " ";
  AppendString(args, mailbox, HasCapability("LITERAL+"));
  // Counts of the mailbox that was selected before no longer apply.
  exists_ = 0;
  recent_ = 0;
  return Queue(Command::Select, "SELECT", std::move(args), std::string(mailbox));
}

std::string ImapSession::QueueSearch(std::string_view criteria) {
  if (searchInFlight_) throw std::logic_error("ImapSession: two searches in flight");
  if (!IsSearchCriteria(criteria)) throw Error(kBadArgument, "Ungültiger Suchbegriff.");
  WireCommand args;
  args.bytes = " ";
  args.bytes += criteria;
  searchInFlight_ = true;
  return Queue(Command::Search, "SEARCH", std::move(args));
}

std::string ImapSession::QueueLogout() { return Queue(Command::Logout, "LOGOUT", {}); }

std::string ImapSession::QueueCapability() { return Queue(Command::Capability, "CAPABILITY", {}); }

std::string ImapSession::QueueStartTls() {
  if (secured_) throw std::logic_error("ImapSession: STARTTLS on a secured connection");
  return Queue(Command::StartTls, "STARTTLS", {});
}

void ImapSession::Send(const std::string& bytes) {
  if (bytes.empty()) return;
  try {
    transport_->Send(bytes, timeoutMs_);
  } catch (const AppError& e) {
    Fail(e);
  }
  sentSinceWait_ = true;
}

void ImapSession::Flush() {
  std::vector<std::pair<std::string, WireCommand>> outgoing;
  outgoing.swap(outgoing_);
  // Everything up to the next synchronizing literal goes out in one write.
  std::string burst;
  for (auto& [tag, wire] : outgoing) {
    std::size_t from = 0;
    bool rejected = false;
    for (std::size_t wait : wire.waits) {
      burst.append(wire.bytes, from, wait - from);
      Send(burst);
      burst.clear();
      from = wait;
      if (!AwaitContinuation(tag)) {
        rejected = true;  // the server completed the command instead of asking for more
        break;
      }
    }
    if (!rejected) burst.append(wire.bytes, from, std::string::npos);
  }
  Send(burst);
}

bool ImapSession::AwaitContinuation(const std::string& tag) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
  awaitingContinuation_ = true;
  continued_ = false;
  while (!continued_ && !pending_.at(tag).done) Dispatch(Next(deadline));
  awaitingContinuation_ = false;
  return continued_;
}

Completion ImapSession::Await(const std::string& tag) {
  auto it = pending_.find(tag);
  if (it == pending_.end()) throw std::logic_error("ImapSession: no command " + tag);
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
  while (!it->second.done) Dispatch(Next(deadline));
  Completion completion = std::move(it->second.completion);
  pending_.erase(it);
  return completion;
}

Response ImapSession::Next(Clock::time_point deadline) {
  if (!transport_ || state_ == SessionState::Disconnected) {
    throw Error(kNetClosed, "Die Verbindung zum Server ist nicht offen.");
  }
  for (;;) {
    Response response;
    std::string_view unread(input_.data() + inputPos_, input_.size() - inputPos_);
    ParseResult result = parser_.Parse(unread, response);
    if (result.status == ParseStatus::Complete) {
      inputPos_ += result.consumed;
      if (inputPos_ == input_.size()) {
        input_.clear();
        inputPos_ = 0;
      } else if (inputPos_ >= kReadChunk) {
        input_.erase(0, inputPos_);
        inputPos_ = 0;
      }
      return response;
    }
    if (result.status == ParseStatus::Malformed) Fail(MalformedReply());

    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) Fail(NetError(kNetTimedOut));
    if (sentSinceWait_) {
      ++roundTrips_;
      sentSinceWait_ = false;
    }
    std::size_t had = input_.size();
    input_.resize(had + kReadChunk);
    std::size_t got = 0;
    try {
      got = transport_->Receive(input_.data() + had, kReadChunk, static_cast<int>(left.count()));
    } catch (const AppError& e) {
      input_.resize(had);
      Fail(e);
    }
    input_.resize(had + got);
    if (got == 0) OnConnectionClosed();
  }
}

void ImapSession::OnConnectionClosed() {
  bool beforeLogin = state_ == SessionState::Greeting || state_ == SessionState::NotAuthenticated;
  Close();
  if (bye_ && beforeLogin) {
    throw Error(kImapErrorSilent, "Der Server hat die Sitzung abgelehnt: " + ServerText(byeText_));
  }
  if (bye_) {
    throw Error(kNetClosed, "Der Server hat die Verbindung beendet: " + ServerText(byeText_));
  }
  throw NetError(kNetClosed);
}

void ImapSession::Dispatch(const Response& response) {
  switch (response.kind) {
    case ResponseKind::Continuation:
      if (!awaitingContinuation_) Fail(MalformedReply());
      continued_ = true;
      break;
    case ResponseKind::Tagged:
      OnTagged(response);
      break;
    case ResponseKind::Untagged:
      OnUntagged(response);
      break;
  }
}

void ImapSession::OnTagged(const Response& response) {
  auto it = pending_.find(response.tag);
  if (it == pending_.end() || it->second.done) Fail(MalformedReply());
  Pending& p = it->second;
  p.done = true;
  p.completion.condition = response.condition;
  p.completion.code = response.code;
  p.completion.text = response.text;
  bool ok = response.condition == Condition::Ok;
  if (ok && !response.atoms.empty()) {
    capabilities_ = {response.atoms.begin(), response.atoms.end()};
  }
  switch (p.command) {
    case Command::Login:
      if (ok) SetState(SessionState::Authenticated);
      break;
    case Command::Select:
      // A failed SELECT leaves no mailbox selected (RFC 3501 6.3.1).
      mailbox_ = ok ? p.mailbox : std::string();
      SetState(ok ? SessionState::Selected : SessionState::Authenticated);
      break;
    case Command::Search:
      p.completion.numbers = std::move(searchData_);
      searchData_.clear();
      searchInFlight_ = false;
      break;
    case Command::Logout:
      if (ok) SetState(SessionState::LoggedOut);
      break;
    case Command::Capability:
    case Command::StartTls:
      break;
  }
}

void ImapSession::OnUntagged(const Response& response) {
  if (response.condition == Condition::Bye) {
    bye_ = true;
    byeText_ = response.text;
    return;
  }
  if (response.condition != Condition::None) {
    if (!response.atoms.empty()) capabilities_ = {response.atoms.begin(), response.atoms.end()};
    return;
  }
  if (response.name == "EXISTS") {
    exists_ = response.number;
  } else if (response.name == "RECENT") {
    recent_ = response.number;
  } else if (response.name == "EXPUNGE") {
    if (exists_ > 0) --exists_;
  } else if (response.name == "SEARCH" && searchInFlight_) {
    searchData_.insert(searchData_.end(), response.numbers.begin(), response.numbers.end());
  } else if (response.name == "CAPABILITY") {
    capabilities_ = {response.atoms.begin(), response.atoms.end()};
  }
}

}  // namespace pw::imap
