#include "imap/ImapSession.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "common/Base64.h"
#include "common/ImapComponent.h"
#include "imap/Envelope.h"
#include "imap/ImapErrors.h"

namespace pw::imap {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

AppError MalformedReply() {
  return Error(kImapMalformedReply, ErrorDescription(kImapMalformedReply));
}

// The number of a response code such as "[UIDNEXT 4021]".
bool ParseCodeNumber(std::string_view text, std::uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (v == 0 || v > 0xFFFFFFFFu) return false;
  value = static_cast<std::uint32_t>(v);
  return true;
}

}  // namespace

ImapSession::ImapSession(std::unique_ptr<Transport> transport, ParserLimits limits)
    : transport_(std::move(transport)),
      parser_(limits),
      maxAnswer_(limits.maxAnswer),
      maxSet_(limits.maxSearchLine) {}

ImapSession::~ImapSession() { Close(); }

void ImapSession::Close() {
  if (transport_) transport_->Close();
  if (state_ != SessionState::LoggedOut) SetState(SessionState::Disconnected);
  pending_.clear();
  outgoing_.clear();
  untaggedSearch_.clear();
  awaitingContinuation_ = false;
  authTag_.clear();
}

void ImapSession::SetTimeLimit(int timeoutMs) {
  deadline_ = Clock::now() + std::chrono::milliseconds(timeoutMs);
  answerBytes_ = 0;
}

// What is left of the call's time for the next step; none left fails the call.
int ImapSession::MillisecondsLeft() {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
  if (left.count() <= 0) Fail(NetError(kNetTimedOut));
  return static_cast<int>(std::min<long long>(left.count(), 0x7FFFFFFF));
}

void ImapSession::Fail(const AppError& error) {
  Close();
  throw error;
}

bool ImapSession::HasCapability(std::string_view name) const {
  return capabilities_.count(std::string(name)) != 0;
}

void ImapSession::Connect(const std::string& host, int port) {
  try {
    if (lookup_) {
      const std::vector<std::string> addresses = lookup_(host, MillisecondsLeft());
      transport_->ConnectAny(addresses, port, MillisecondsLeft());
    } else {
      transport_->Connect(host, port, MillisecondsLeft());
    }
  } catch (const AppError& e) {
    Fail(e);
  }
  SetState(SessionState::Greeting);
  sentSinceWait_ = true;  // the greeting answers the connect
}

void ImapSession::Open(const std::string& host, int port, int timeoutMs) {
  SetTimeLimit(timeoutMs);
  Connect(host, port);
  ReadGreeting();
}

void ImapSession::OpenSecure(const std::string& host, int port, int timeoutMs,
                             std::unique_ptr<TlsEngine> engine, const TlsPeer& peer) {
  SetTimeLimit(timeoutMs);
  Connect(host, port);
  Secure(std::move(engine), peer);
  ReadGreeting();
}

void ImapSession::Secure(std::unique_ptr<TlsEngine> engine, const TlsPeer& peer) {
  auto secure = std::make_unique<SecureTransport>(std::move(transport_), std::move(engine));
  SecureTransport& handshake = *secure;
  transport_ = std::move(secure);
  try {
    handshake.Handshake(peer, MillisecondsLeft());
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
  inputPos_ = inputLen_ = 0;
  capabilities_.clear();
  Secure(std::move(engine), peer);
}

void ImapSession::ReadGreeting() {
  Response greeting = Next();
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
      // A server that turns the connection away at once is full or throttling.
      Fail(Error(kImapServerBusy, ErrorDescription(kImapServerBusy, ServerText(greeting.text))));
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
  pending_[tag] = Pending{command, std::move(mailbox), false, false, {}};
  outgoing_.emplace_back(tag, std::move(wire));
  return tag;
}

std::string ImapSession::QueueLogin(std::string_view user, std::string_view password) {
  if (HasLineBreakOrNul(user) || HasLineBreakOrNul(password)) {
    throw Error(kImapUnsafeText, ErrorDescription(kImapUnsafeText));
  }
  bool literalPlus = HasCapability("LITERAL+");
  WireCommand args;
  args.bytes = " ";
  AppendString(args, user, literalPlus);
  args.bytes += ' ';
  AppendString(args, password, literalPlus);
  return Queue(Command::Login, "LOGIN", std::move(args));
}

std::string ImapSession::QueueAuthenticate(std::string_view mechanism,
                                           const std::string& initialResponse,
                                           const std::string& errorAnswer) {
  if (HasLineBreakOrNul(initialResponse) || HasLineBreakOrNul(errorAnswer) ||
      HasLineBreakOrNul(mechanism)) {
    throw Error(kImapUnsafeText, ErrorDescription(kImapUnsafeText));
  }
  if (!authTag_.empty()) throw std::logic_error("ImapSession: two AUTHENTICATE in flight");
  WireCommand args;
  args.bytes = " " + std::string(mechanism);
  if (HasCapability("SASL-IR")) {
    // RFC 4959: an empty initial response is sent as "=".
    args.bytes += " " + (initialResponse.empty() ? std::string("=") : initialResponse);
  } else {
    args.bytes += "\r\n";
    args.waits.push_back(args.bytes.size());
    args.bytes += initialResponse;
  }
  std::string tag = Queue(Command::Authenticate, "AUTHENTICATE", std::move(args));
  authTag_ = tag;
  authErrorAnswer_ = errorAnswer;
  authChallenged_ = false;
  return tag;
}

std::string ImapSession::QueueSelect(std::string_view mailbox) {
  if (HasLineBreakOrNul(mailbox)) {
    throw Error(kImapBadArgument, kDescMailboxNameChar);
  }
  WireCommand args;
  args.bytes = " ";
  AppendString(args, mailbox, HasCapability("LITERAL+"));
  // Counts of the mailbox that was selected before no longer apply.
  exists_ = 0;
  recent_ = 0;
  uidValidity_ = 0;
  uidNext_ = 0;
  return Queue(Command::Select, "SELECT", std::move(args), std::string(mailbox));
}

std::string ImapSession::QueueSearch(std::string_view criteria, bool byUid) {
  if (!IsSearchCriteria(criteria))
    throw Error(kImapBadArgument, ErrorDescription(kImapBadArgument));
  bool tagged = SearchesCarryTags();
  if (!tagged && !untaggedSearch_.empty()) {
    throw std::logic_error("ImapSession: two searches in flight");
  }
  WireCommand args;
  args.bytes = tagged ? " RETURN (ALL) " : " ";
  args.bytes += criteria;
  std::string tag = Queue(Command::Search, byUid ? "UID SEARCH" : "SEARCH", std::move(args));
  if (tagged) {
    pending_[tag].tagged = true;
  } else {
    untaggedSearch_ = tag;
  }
  return tag;
}

std::string ImapSession::QueueFetchEnvelopes(std::string_view set, bool byUid) {
  if (set.empty() || set.find_first_not_of("0123456789:,*") != std::string_view::npos) {
    throw Error(kImapBadArgument, ErrorDescription(kImapBadArgument));
  }
  WireCommand args;
  args.bytes = " " + std::string(set) + " (UID ENVELOPE)";
  ++fetches_;
  return Queue(Command::Fetch, byUid ? "UID FETCH" : "FETCH", std::move(args));
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
    transport_->Send(bytes, MillisecondsLeft());
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
  awaitingContinuation_ = true;
  continued_ = false;
  while (!continued_ && !pending_.at(tag).done) Dispatch(Next());
  awaitingContinuation_ = false;
  return continued_;
}

Completion ImapSession::Await(const std::string& tag) {
  auto it = pending_.find(tag);
  if (it == pending_.end()) throw std::logic_error("ImapSession: no command " + tag);
  while (!it->second.done) Dispatch(Next());
  Completion completion = std::move(it->second.completion);
  pending_.erase(it);
  return completion;
}

Response ImapSession::Next() {
  if (!transport_ || state_ == SessionState::Disconnected) {
    throw Error(kNetClosed, kDescNotConnected);
  }
  for (;;) {
    Response response;
    std::string_view unread(input_.data.get() + inputPos_, inputLen_ - inputPos_);
    ParseResult result = parser_.Parse(unread, response);
    if (result.status == ParseStatus::Complete) {
      inputPos_ += result.consumed;
      if (inputPos_ == inputLen_) inputPos_ = inputLen_ = 0;
      return response;
    }
    if (result.status == ParseStatus::Malformed) Fail(MalformedReply());

    int left = MillisecondsLeft();
    if (sentSinceWait_) {
      ++roundTrips_;
      sentSinceWait_ = false;
    }
    MakeRoom();
    std::size_t got = 0;
    try {
      // One chunk at a time: the transport serves the message loop between reads, and a big
      // buffer kept from an earlier search would otherwise hand the parser megabytes at once.
      got = transport_->Receive(input_.data.get() + inputLen_,
                                std::min(input_.capacity - inputLen_, kReadChunk), left);
    } catch (const AppError& e) {
      Fail(e);
    }
    inputLen_ += got;
    if (got == 0) OnConnectionClosed();
    // A server that keeps sending, in lines of any length, cannot fill the memory.
    answerBytes_ += got;
    if (answerBytes_ > maxAnswer_) Fail(MalformedReply());
  }
}

// At least one read chunk free behind the unread bytes: they move to the front (the parser
// counts from there, so it goes on where it stopped), and only when that is not enough does
// the buffer grow, into memory that is not zero-filled first.
void ImapSession::MakeRoom() {
  if (input_.capacity - inputLen_ >= kReadChunk) return;
  if (inputPos_ > 0) {
    std::memmove(input_.data.get(), input_.data.get() + inputPos_, inputLen_ - inputPos_);
    inputLen_ -= inputPos_;
    inputPos_ = 0;
    if (input_.capacity - inputLen_ >= kReadChunk) return;
  }
  std::size_t capacity = std::max(input_.capacity * 2, inputLen_ + kReadChunk);
  std::unique_ptr<char[]> bigger(new char[capacity]);
  if (inputLen_ > 0) std::memcpy(bigger.get(), input_.data.get(), inputLen_);
  input_.data = std::move(bigger);
  input_.capacity = capacity;
}

void ImapSession::AdoptBuffer(InputBuffer buffer) {
  if (inputLen_ == 0 && buffer.capacity > input_.capacity) input_ = std::move(buffer);
}

InputBuffer ImapSession::ReleaseBuffer() {
  inputPos_ = inputLen_ = 0;
  parser_.Reset();
  return std::move(input_);
}

void ImapSession::OnConnectionClosed() {
  bool beforeLogin = state_ == SessionState::Greeting || state_ == SessionState::NotAuthenticated;
  Close();
  if (bye_ && beforeLogin) {
    throw Error(kImapServerBusy, ErrorDescription(kImapServerBusy, ServerText(byeText_)));
  }
  if (bye_) {
    throw Error(kNetClosed, FillIn(kDescServerBye, {ServerText(byeText_)}));
  }
  throw NetError(kNetClosed);
}

void ImapSession::AddToSet(std::string& set, std::string&& more) {
  if (more.empty()) return;
  // The result of one search, split into several lines, is bounded like one line of it.
  if (set.size() + more.size() >= maxSet_) Fail(MalformedReply());
  if (set.empty()) {
    set = std::move(more);
    return;
  }
  set += ',';
  set += more;
}

void ImapSession::Dispatch(Response&& response) {
  switch (response.kind) {
    case ResponseKind::Continuation:
      if (!awaitingContinuation_) {
        OnAuthChallenge(response);
        break;
      }
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

// A challenge after the initial response can only be the error report: answered once, so the
// server completes the command; anything more is not a server we can talk to.
void ImapSession::OnAuthChallenge(const Response& response) {
  if (authTag_.empty() || authChallenged_ || pending_.at(authTag_).done) Fail(MalformedReply());
  authChallenged_ = true;
  std::optional<std::string> decoded = Base64Decode(response.text);
  pending_.at(authTag_).completion.challenge = decoded ? *decoded : std::string();
  Send(authErrorAnswer_ + "\r\n");
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
    case Command::Authenticate:
      authTag_.clear();
      if (ok) SetState(SessionState::Authenticated);
      break;
    case Command::Select:
      // A failed SELECT leaves no mailbox selected (RFC 3501 6.3.1).
      mailbox_ = ok ? p.mailbox : std::string();
      SetState(ok ? SessionState::Selected : SessionState::Authenticated);
      break;
    case Command::Search:
      if (response.tag == untaggedSearch_) untaggedSearch_.clear();
      break;
    case Command::Fetch:
      --fetches_;
      break;
    case Command::Logout:
      if (ok) SetState(SessionState::LoggedOut);
      break;
    case Command::Capability:
    case Command::StartTls:
      break;
  }
}

void ImapSession::OnUntagged(Response& response) {
  if (response.condition == Condition::Bye) {
    bye_ = true;
    byeText_ = response.text;
    return;
  }
  if (response.condition != Condition::None) {
    if (!response.atoms.empty()) capabilities_ = {response.atoms.begin(), response.atoms.end()};
    std::uint32_t n = 0;
    if (response.condition == Condition::Ok && ParseCodeNumber(response.codeData, n)) {
      if (response.code == "UIDVALIDITY") uidValidity_ = n;
      if (response.code == "UIDNEXT") uidNext_ = n;
    }
    return;
  }
  if (response.name == "EXISTS") {
    exists_ = response.number;
  } else if (response.name == "RECENT") {
    recent_ = response.number;
  } else if (response.name == "EXPUNGE") {
    if (exists_ > 0) --exists_;
  } else if (response.name == "SEARCH" && !untaggedSearch_.empty()) {
    AddToSet(pending_.at(untaggedSearch_).completion.set, std::move(response.set));
  } else if (response.name == "ESEARCH") {
    // Matched by its tag alone: a result that names no search of ours in flight could belong
    // to any of them.
    auto it = pending_.find(response.correlator);
    if (it == pending_.end() || !it->second.tagged || it->second.done) Fail(MalformedReply());
    AddToSet(it->second.completion.set, std::move(response.set));
  } else if (response.name == "FETCH" && fetches_ > 0) {
    // Flag changes come as FETCH too, unasked; only an envelope counts.
    MailEnvelope envelope;
    envelope.uid = response.number;
    if (fetched_.size() < kMaxFetched && ParseFetchEnvelope(response.data, envelope)) {
      fetched_.push_back(std::move(envelope));
    }
  } else if (response.name == "CAPABILITY") {
    capabilities_ = {response.atoms.begin(), response.atoms.end()};
  }
}

}  // namespace pw::imap
