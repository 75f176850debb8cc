// libFuzzer target for the IMAP client: fuzzed server transcripts in each "Sicherheit" mode,
// handed out in pieces of random size, two accounts checked in a row as the check run does;
// small limits, so that long answers and answers split into many lines reach their bounds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "common/AppError.h"
#include "imap/ImapClient.h"
#include "imap/ImapSession.h"
#include "imap/Sasl.h"
#include "platform/Tls.h"
#include "platform/Transport.h"

namespace {

constexpr char kPassword[] = "Geheim-7q";
constexpr char kToken[] = "eyJ0eXAi.T0tFTi03cQ.c2ln";
constexpr std::string_view kWelcome = "<tls>";  // the stand-in engine's whole handshake
constexpr const char* kModes[] = {"Keine", "STARTTLS", "SSL/TLS"};
// The second name is not ASCII: it goes out as a literal, synchronizing without LITERAL+.
constexpr const char* kUsers[] = {"anna", "jörg.müller"};

[[noreturn]] void Fault(const std::string& what) {
  std::fprintf(stderr, "fuzz_imap_client: %s\n", what.c_str());
  std::abort();
}

// The server side of every connection: one byte stream, handed out in pieces.
struct Server {
  std::string_view stream;
  std::uint32_t random = 1;  // xorshift32 state for the piece sizes
  std::uint32_t maxPiece = 1;
  bool endCloses = true;  // at the end of the stream the server closes; otherwise it falls silent
  int open = 0;           // connections neither closed nor dropped
  bool secured = false;   // the current connection has begun TLS
  std::string clearSent;  // everything any connection sent before its TLS began
  std::string sent;

  // Mostly up to maxPiece bytes, a quarter of the time one to three: cuts close together.
  std::size_t Piece() {
    random ^= random << 13;
    random ^= random >> 17;
    random ^= random << 5;
    return (random & 3) == 0 ? 1 + (random >> 2) % 3 : 1 + (random >> 2) % maxPiece;
  }
};

class FuzzTransport : public pw::Transport {
 public:
  explicit FuzzTransport(Server& server) : server_(server) {}
  ~FuzzTransport() override { Close(); }

  void Connect(const std::string&, int, int) override {
    if (connected_) Fault("connect on a connected transport");
    connected_ = true;
    ++server_.open;
    server_.secured = false;
  }
  void Send(std::string_view data, int) override {
    if (!connected_) throw pw::NetError(pw::kNetClosed);
    if (!server_.secured) server_.clearSent += data;
    server_.sent += data;
  }
  std::size_t Receive(char* buffer, std::size_t capacity, int) override {
    if (!connected_) throw pw::NetError(pw::kNetClosed);
    if (capacity == 0) Fault("receive into no room");
    std::string_view& s = server_.stream;
    if (s.empty()) {
      if (server_.endCloses) return 0;
      throw pw::NetError(pw::kNetTimedOut);
    }
    std::size_t n = std::min({capacity, server_.Piece(), s.size()});
    std::memcpy(buffer, s.data(), n);
    s.remove_prefix(n);
    return n;
  }
  void Close() override {
    if (!connected_) return;
    connected_ = false;
    --server_.open;
  }

 private:
  Server& server_;
  bool connected_ = false;
};

enum class Verdict { Trusted, Untrusted, WrongHost };

// Records are the plain text itself, as in the transcript tests.
class PassThroughEngine : public pw::TlsEngine {
 public:
  PassThroughEngine(Server& server, Verdict verdict) : server_(server), verdict_(verdict) {}

  bool Handshake(std::string& in, std::string&) override {
    server_.secured = true;
    std::size_t n = std::min(in.size(), kWelcome.size());
    if (in.compare(0, n, kWelcome, 0, n) != 0) throw pw::TlsError(pw::kTlsFailed, "Handshake");
    if (n < kWelcome.size()) return false;
    in.erase(0, n);
    return true;
  }
  pw::Sha256 LeafSha256() const override { return {}; }
  std::string ChainProblem() const override {
    return verdict_ == Verdict::Untrusted ? "self-signed" : "";
  }
  pw::CertificateNames LeafNames() const override {
    if (verdict_ == Verdict::WrongHost) return {};
    return {{"*.example.org"}, {}, {}};
  }
  void Encrypt(std::string_view plain, std::string& out) override { out += plain; }
  bool Decrypt(std::string& in, std::string& plain, std::string&) override {
    plain += in;
    in.clear();
    return true;
  }

 private:
  Server& server_;
  Verdict verdict_;
};

// Printable, well-formed UTF-8: descriptions end up in message boxes.
void CheckDescription(const pw::AppError& e) {
  const std::string& d = e.Description();
  if (e.Number() == 0 || d.empty()) Fault("error without number or description");
  for (std::size_t i = 0; i < d.size();) {
    auto c = static_cast<unsigned char>(d[i]);
    std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (c < 0x20 || c == 0x7F || n == 0 || c > 0xF4 || i + n > d.size()) {
      Fault("unfit description: " + d);
    }
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(d[i + k]) & 0xC0) != 0x80) Fault("bad UTF-8: " + d);
    }
    i += n;
  }
}

void CheckNumbers(const std::string& text) {
  // However many lines the server splits one result into, it stays within the one line's bound.
  if (text.size() > 1024) Fault("search text past its bound");
  bool digitBefore = false;
  for (char c : text) {
    if (c == ',') {
      if (!digitBefore) Fault("search text with an empty number: " + text);
      digitBefore = false;
    } else if (c >= '0' && c <= '9') {
      digitBefore = true;
    } else {
      Fault("search text with other than digits and commas: " + text);
    }
  }
  if (!text.empty() && !digitBefore) Fault("search text ends in a comma: " + text);
}

// One account as the check run treats it.
void CheckAccount(pw::ImapClient& client, const char* user, bool token) {
  try {
    client.SetTimeout(10000);
    if (token) {
      client.SignInWithToken("imap.example.org", user, kToken);
    } else {
      client.SignIn("imap.example.org", user, kPassword);
    }
    client.PostSignIn();
    std::string recent = "?";
    std::string seen = "?";
    // As the check run asks: one burst with a UID search past a remembered UIDNEXT.
    pw::ImapMailbox& inbox = client.Mailbox("INBOX");
    inbox.Announce({"RECENT", "SEEN"}, "UID 3:* UNSEEN");
    inbox.AnnounceEnvelopes(3, 5);
    inbox.Search("RECENT", recent, 0);
    CheckNumbers(recent);
    inbox.Search("SEEN", seen, 0);
    CheckNumbers(seen);
    if (inbox.UidNext() > 3) {
      std::string uids = "?";
      inbox.UidSearch("UID 3:* UNSEEN", uids);
      CheckNumbers(uids);
      // The envelopes in the burst, then one more fetch by sequence numbers.
      if (inbox.Envelopes("5,4,3", true).size() > 3) Fault("envelopes not asked for");
      if (inbox.Envelopes("2,1", false).size() > pw::imap::ImapSession::kMaxFetched) {
        Fault("more envelopes kept than the cap");
      }
    }
    if (inbox.MessageCount() < 0) Fault("negative message count");
  } catch (const pw::AppError& e) {
    CheckDescription(e);
  } catch (const std::exception& e) {
    Fault(std::string("not an AppError: ") + e.what());
  }
  try {
    client.SignOut();
  } catch (...) {
    Fault("SignOut raised");
  }
}

}  // namespace

// Byte 0: the mode (bits 0-1), whether the stream ends in a close or in silence (bit 2), the
// certificate's verdict (bits 3-4) and the sign-in with an OAuth2 token instead (bit 5); byte 1:
// how many pieces; the rest is what the server says.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  int mode = (data[0] & 3) % 3;
  const bool token = (data[0] & 32) != 0;
  auto verdict = static_cast<Verdict>(((data[0] >> 3) & 3) % 3);
  Server server;
  server.endCloses = (data[0] & 4) == 0;
  server.stream = std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2);
  // About `pieces` reads for the whole stream: a read costs the client far more than its bytes,
  // and where the cuts fall matters more than how many there are.
  std::size_t pieces = 1 + (data[1] & 31);
  server.maxPiece =
      static_cast<std::uint32_t>(std::max<std::size_t>(1, 2 * server.stream.size() / pieces));
  server.random = 0x9E3779B9u ^ (static_cast<std::uint32_t>(data[1]) << 8);

  {
    pw::ImapClient client(
        [&server] { return std::make_unique<FuzzTransport>(server); },
        pw::imap::ParserLimits{
            .maxLine = 256, .maxSearchLine = 1024, .maxLiterals = 128, .maxAnswer = 4096},
        [&](const std::string&) { return std::make_unique<PassThroughEngine>(server, verdict); });
    client.SetPort(mode == 2 ? 993 : 143);
    client.SetSecurity(kModes[mode], "");
    for (const char* user : kUsers) {
      CheckAccount(client, user, token);
      if (server.open != 0) Fault("a connection is left open after SignOut");
      // A further account would only meet a server that says nothing, which the first met too.
      if (server.stream.empty()) break;
    }
  }
  // The token travels base64-encoded inside the SASL response: that is what is looked for.
  if (mode != 0 && token) {
    for (const char* user : kUsers) {
      for (auto m : {pw::imap::OAuthMechanism::OAuthBearer, pw::imap::OAuthMechanism::XOAuth2}) {
        const std::string sasl =
            pw::imap::InitialResponse(m, user, kToken, "imap.example.org", mode == 2 ? 993 : 143);
        if (server.clearSent.find(sasl) != std::string::npos) Fault("the token went out in clear");
      }
    }
  }
  if (mode != 0 && server.clearSent.find(kPassword) != std::string::npos) {
    Fault("the password went out in clear");
  }
  if (mode != 0 && verdict != Verdict::Trusted &&
      server.sent.find(kPassword) != std::string::npos) {
    Fault("the password went to a server whose certificate was refused");
  }
  return 0;
}
