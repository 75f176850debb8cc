// Encrypted connections against the fixture's Dovecot with TLS: the platform's engine itself
// (OpenSSL natively, Schannel under Wine), then the IMAP client with each "Sicherheit".
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "TestEnv.h"
#include "TestTrust.h"
#include "common/AppError.h"
#include "imap/CertificateNames.h"
#include "imap/ImapClient.h"
#include "imap/ImapErrors.h"
#include "imap/ServerSecurity.h"
#include "platform/Tls.h"
#include "platform/Transport.h"

namespace pw {
namespace {

using Clock = std::chrono::steady_clock;
using test::Env;
using test::HostPath;
using test::ReadFile;

int EnvPort(const char* name) { return std::atoi(Env(name).c_str()); }

std::string TlsDir() { return Env("PW_DOVECOT_TLS_DIR"); }

std::string Fingerprint() {
  std::string text = ReadFile(HostPath(TlsDir() + "/tls/cert.sha256"));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// Trusts the test CA for the lifetime of the object.
class TrustedRoot {
 public:
  TrustedRoot() {
#ifdef _WIN32
    ok_ = test::TrustTestRoot((HostPath(TlsDir() + "/tls/ca.pem")).string());
#else
    ok_ = test::TrustTestRoot(TlsDir() + "/tls/ca.pem");
#endif
  }
  ~TrustedRoot() { test::ForgetTestRoot(); }
  bool Ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// The engine driven by hand over a socket, so that its own answers can be checked.
class Connection {
 public:
  Connection(const std::string& host, int port, const std::string& serverName)
      : raw_(MakeSocketTransport()), engine_(MakeTlsEngine(serverName)) {
    raw_->Connect(host, port, 5000);
  }

  TlsEngine& Engine() { return *engine_; }

  void Handshake() {
    for (;;) {
      std::string out;
      bool done = engine_->Handshake(in_, out);
      if (!out.empty()) raw_->Send(out, 5000);
      if (done) return;
      if (!ReadMore()) throw NetError(kNetClosed);
    }
  }

  void Send(const std::string& text) {
    std::string out;
    engine_->Encrypt(text, out);
    raw_->Send(out, 5000);
  }

  // Plain text up to and including the next CRLF.
  std::string Line() {
    for (;;) {
      std::size_t end = plain_.find("\r\n");
      if (end != std::string::npos) {
        std::string line = plain_.substr(0, end);
        plain_.erase(0, end + 2);
        return line;
      }
      if (!in_.empty()) {
        std::string out;
        engine_->Decrypt(in_, plain_, out);
        if (!out.empty()) raw_->Send(out, 5000);
        if (plain_.find("\r\n") != std::string::npos) continue;
      }
      if (!ReadMore()) return plain_;
    }
  }

 private:
  bool ReadMore() {
    char buffer[4096];
    std::size_t got = raw_->Receive(buffer, sizeof buffer, 5000);
    in_.append(buffer, got);
    return got != 0;
  }

  std::unique_ptr<Transport> raw_;
  std::unique_ptr<TlsEngine> engine_;
  std::string in_;
  std::string plain_;
};

class TlsServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (EnvPort("PW_DOVECOT_IMAPS_PORT") == 0) {
      GTEST_SKIP() << "PW_DOVECOT_IMAPS_PORT is not set (run through ctest)";
    }
  }
  int Imaps() const { return EnvPort("PW_DOVECOT_IMAPS_PORT"); }
  int StartTlsPort() const { return EnvPort("PW_DOVECOT_TLS_PORT"); }
};

TEST_F(TlsServer, EngineSpeaksImapAndDescribesTheCertificate) {
  Connection c("127.0.0.1", Imaps(), "localhost");
  c.Handshake();
  EXPECT_EQ(c.Line().substr(0, 4), "* OK");
  c.Send("a1 CAPABILITY\r\n");
  std::string line = c.Line();
  EXPECT_NE(line.find("AUTH=PLAIN"), std::string::npos) << line;
  EXPECT_EQ(c.Line().substr(0, 5), "a1 OK");

  TlsEngine& e = c.Engine();
  EXPECT_EQ(imap::FormatFingerprint(e.LeafSha256()), Fingerprint());
  EXPECT_NE(e.ChainProblem(), "") << "nobody trusts the test CA";
  const CertificateNames names = e.LeafNames();
  EXPECT_EQ(names.dnsNames, std::vector<std::string>{"localhost"});
  EXPECT_EQ(names.addresses, std::vector<std::string>{std::string("\x7f\0\0\x02", 4)});
  EXPECT_EQ(names.commonNames, std::vector<std::string>{"localhost"});
  const auto matches = [&](std::string_view host) {
    return imap::CertificateMatchesHost(names, host);
  };
  EXPECT_TRUE(matches("localhost"));
  EXPECT_TRUE(matches("LocalHost"));
  EXPECT_TRUE(matches("localhost."));
  EXPECT_TRUE(matches("127.0.0.2"));
  EXPECT_FALSE(matches("127.0.0.1"));
  EXPECT_FALSE(matches("example.org"));
  EXPECT_FALSE(matches("mail.localhost"));
  EXPECT_FALSE(matches("::1"));
  EXPECT_FALSE(matches(""));
}

TEST_F(TlsServer, ChainToATrustedRootHasNoProblem) {
  TrustedRoot root;
  ASSERT_TRUE(root.Ok());
  Connection c("127.0.0.1", Imaps(), "localhost");
  c.Handshake();
  EXPECT_EQ(c.Engine().ChainProblem(), "");
}

TEST_F(TlsServer, HandshakeWithAPlainServerFailsAsTls) {
  Connection c("127.0.0.1", StartTlsPort(), "localhost");
  try {
    c.Handshake();
    ADD_FAILURE() << "a plain IMAP greeting passed for a TLS handshake";
  } catch (const AppError& e) {
    EXPECT_EQ(e.Number(), kTlsFailed) << e.Description();
  }
}

// The IMAP client with the fixture's TLS server, the way the check run uses it.
class SecureSignIn : public TlsServer {
 protected:
  std::optional<std::int32_t> SignInError(const std::string& host, int port,
                                          const std::string& sicherheit,
                                          const std::string& zertifikat,
                                          const std::string& password = "geheim") {
    client.SetPort(port);
    client.SetTimeout(10000);
    client.SetSecurity(sicherheit, zertifikat);
    try {
      client.SignIn(host, "anna", password);
    } catch (const AppError& e) {
      description = e.Description();
      return e.Number();
    }
    return std::nullopt;
  }

  // Connections the server closed without any login attempt, from one local address.
  static int UnauthenticatedDisconnects(const std::string& dir, const std::string& listener) {
    std::string log = ReadFile(HostPath(dir + "/dovecot.log"));
    int n = 0;
    for (std::size_t at = 0; (at = log.find("(no auth attempts", at)) != std::string::npos; ++at) {
      std::size_t end = log.find('\n', at);
      if (log.substr(at, end - at).find("lip=" + listener + ",") != std::string::npos) ++n;
    }
    return n;
  }

  // Waits until the server has logged one more such disconnect (it logs when it notices).
  static bool AnotherUnauthenticatedDisconnect(const std::string& dir, const std::string& listener,
                                               int before) {
    Clock::time_point until = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < until) {
      if (UnauthenticatedDisconnects(dir, listener) > before) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  static std::string LoginAttempts(const std::string& dir) {
    std::string log = ReadFile(HostPath(dir + "/dovecot.log"));
    std::string found;
    for (std::size_t at = 0; (at = log.find("auth failed", at)) != std::string::npos; ++at) {
      found += log.substr(at, log.find('\n', at) - at) + "\n";
    }
    return found;
  }

  ImapClient client{[] { return MakeSocketTransport(); }, imap::ParserLimits{},
                    [](const std::string& host) { return MakeTlsEngine(host); }};
  std::string description;
};

TEST_F(SecureSignIn, PinnedCertificateOverImplicitTlsGivesTheCounts) {
  ASSERT_EQ(SignInError("localhost", Imaps(), "SSL/TLS", Fingerprint()), std::nullopt)
      << description;
  std::string recent;
  std::string seen;
  client.Mailbox("INBOX").Search("RECENT", recent, 0);
  client.Mailbox("INBOX").Search("SEEN", seen, 0);
  EXPECT_EQ(seen, "3,4,5,6,7");
  EXPECT_EQ(client.Mailbox("INBOX").MessageCount(), 7);
  client.SignOut();

  // The same pin written in lower case without separators.
  std::string compact;
  for (char ch : Fingerprint()) {
    if (ch != ':') compact += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  }
  EXPECT_EQ(SignInError("localhost", Imaps(), "ssl/tls", compact), std::nullopt) << description;
  client.SignOut();
}

TEST_F(SecureSignIn, TheWholeCheckOverTlsTakesFewTurns) {
  struct Case {
    const char* mode;
    int port;
    int turns;
  };
  // SSL/TLS: connect with handshake, greeting, LOGIN, the burst. STARTTLS: greeting, STARTTLS,
  // handshake, CAPABILITY with LOGIN, the burst. LOGOUT is not waited for.
  for (const Case& c : {Case{"SSL/TLS", Imaps(), 4}, Case{"STARTTLS", StartTlsPort(), 5}}) {
    const int before = client.RoundTrips();
    ASSERT_EQ(SignInError("localhost", c.port, c.mode, Fingerprint()), std::nullopt) << description;
    client.Mailbox("INBOX").Announce({"RECENT", "SEEN"}, "");
    std::string recent;
    std::string seen;
    client.Mailbox("INBOX").Search("RECENT", recent, 0);
    client.Mailbox("INBOX").Search("SEEN", seen, 0);
    EXPECT_EQ(seen, "3,4,5,6,7") << c.mode;
    EXPECT_EQ(client.Mailbox("INBOX").MessageCount(), 7) << c.mode;
    client.SignOut();
    EXPECT_EQ(client.RoundTrips() - before, c.turns) << c.mode;
  }
}

TEST_F(SecureSignIn, CertificatesThatDoNotProveTheServerAreRefused) {
  // Self-made CA, nothing pinned.
  EXPECT_EQ(SignInError("localhost", Imaps(), "SSL/TLS", ""), kTlsUntrusted);
  EXPECT_NE(description.find(Fingerprint()), std::string::npos) << description;
  EXPECT_EQ(SignInError("localhost", StartTlsPort(), "STARTTLS", ""), kTlsUntrusted);

  // Pinned, but reached under a name the certificate does not carry.
  EXPECT_EQ(SignInError("127.0.0.1", Imaps(), "SSL/TLS", Fingerprint()), kTlsWrongHost);

  // Another certificate pinned.
  std::string other = Fingerprint();
  other[0] = other[0] == 'A' ? 'B' : 'A';
  EXPECT_EQ(SignInError("localhost", Imaps(), "SSL/TLS", other), kTlsPinMismatch);
  EXPECT_NE(description.find(Fingerprint()), std::string::npos) << description;

  // None of these got as far as a login.
  EXPECT_EQ(LoginAttempts(TlsDir()), "");
}

TEST_F(SecureSignIn, TrustedRootWithTheRightNameNeedsNoPin) {
  TrustedRoot root;
  ASSERT_TRUE(root.Ok());
  EXPECT_EQ(SignInError("localhost", Imaps(), "SSL/TLS", ""), std::nullopt) << description;
  client.SignOut();
  EXPECT_EQ(SignInError("localhost", StartTlsPort(), "STARTTLS", ""), std::nullopt) << description;
  client.SignOut();
  EXPECT_EQ(SignInError("127.0.0.1", Imaps(), "SSL/TLS", ""), kTlsWrongHost);
}

#ifndef _WIN32
// OpenSSL's context is kept between sign-ins; a root trusted or withdrawn in between must count
// at the next one all the same.
TEST_F(SecureSignIn, TrustChangedBetweenSignInsCountsAtTheNext) {
  EXPECT_EQ(SignInError("localhost", Imaps(), "SSL/TLS", ""), kTlsUntrusted);
  {
    TrustedRoot root;
    ASSERT_TRUE(root.Ok());
    EXPECT_EQ(SignInError("localhost", Imaps(), "SSL/TLS", ""), std::nullopt) << description;
    client.SignOut();
    EXPECT_EQ(SignInError("localhost", StartTlsPort(), "STARTTLS", ""), std::nullopt)
        << description;
    client.SignOut();
  }
  EXPECT_EQ(SignInError("localhost", Imaps(), "SSL/TLS", ""), kTlsUntrusted);
  EXPECT_EQ(SignInError("localhost", StartTlsPort(), "STARTTLS", ""), kTlsUntrusted);
}
#endif

TEST_F(SecureSignIn, LoginDisabledOnAPlainConnectionKeepsThePassword) {
  // Dovecot allows a plaintext login only from the listener's own address or over TLS; the
  // client comes from 127.0.0.1, the listener is 127.0.0.2.
  int before = UnauthenticatedDisconnects(TlsDir(), "127.0.0.2");
  EXPECT_EQ(SignInError("127.0.0.2", StartTlsPort(), "Keine", ""), kImapLoginDisabled);
  EXPECT_NE(description.find("STARTTLS"), std::string::npos) << description;
  EXPECT_TRUE(AnotherUnauthenticatedDisconnect(TlsDir(), "127.0.0.2", before));

  // Over STARTTLS the same listener takes the login.
  EXPECT_EQ(SignInError("127.0.0.2", StartTlsPort(), "STARTTLS", Fingerprint()), std::nullopt)
      << description;
  EXPECT_EQ(client.Mailbox("INBOX").MessageCount(), 7);
  client.SignOut();
  EXPECT_EQ(LoginAttempts(TlsDir()), "");
}

TEST_F(SecureSignIn, StartTlsThatTheServerDoesNotOfferSendsNothing) {
  // The fixture's other server has no TLS at all.
  std::string plainDir = Env("PW_DOVECOT_DIR");
  int before = UnauthenticatedDisconnects(plainDir, "127.0.0.1");
  EXPECT_EQ(SignInError("127.0.0.1", EnvPort("PW_DOVECOT_PORT"), "STARTTLS", ""), kTlsNotOffered);
  EXPECT_TRUE(AnotherUnauthenticatedDisconnect(plainDir, "127.0.0.1", before))
      << "the server saw a login attempt";

  // Implicit TLS against a plain port fails as TLS, and quickly.
  Clock::time_point start = Clock::now();
  EXPECT_EQ(SignInError("127.0.0.1", EnvPort("PW_DOVECOT_PORT"), "SSL/TLS", ""), kTlsFailed);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(9));
}

}  // namespace
}  // namespace pw
