// Secured connections in transcripts: STARTTLS and implicit TLS with a stand-in engine that
// passes text through unchanged, so the scripted server sees every byte the client sends.
#include <gtest/gtest.h>

#include <vector>

#include "imap/ImapClient.h"
#include "imap/ImapErrors.h"
#include "imap/ScriptedTransport.h"
#include "imap/ServerSecurity.h"

namespace pw {
namespace {

using test::ScriptedTransport;

constexpr char kHello[] = "<client hello>";
constexpr char kWelcome[] = "<server hello>";

// The handshake is kHello out, kWelcome in; records are the plain text itself.
struct FakeCertificate {
  Sha256 leaf{};
  std::string chainProblem;  // empty: trusted
  CertificateNames names{{"imap.example.org"}, {}, {}};
};

class FakeEngine : public TlsEngine {
 public:
  explicit FakeEngine(const FakeCertificate& cert) : cert_(cert) {}

  bool Handshake(std::string& in, std::string& out) override {
    if (!helloSent_) {
      out += kHello;
      helloSent_ = true;
    }
    const std::string welcome = kWelcome;
    if (in.compare(0, welcome.size(), welcome) == 0) {
      in.erase(0, welcome.size());
      return true;
    }
    if (welcome.compare(0, in.size(), in) != 0) throw TlsError(kTlsFailed, "bad handshake");
    return false;
  }
  Sha256 LeafSha256() const override { return cert_.leaf; }
  std::string ChainProblem() const override { return cert_.chainProblem; }
  CertificateNames LeafNames() const override { return cert_.names; }
  void Encrypt(std::string_view plain, std::string& out) override { out += plain; }
  bool Decrypt(std::string& in, std::string& plain, std::string&) override {
    plain += in;
    in.clear();
    return true;
  }

 private:
  FakeCertificate cert_;
  bool helloSent_ = false;
};

Sha256 Digest(unsigned char first) {
  Sha256 d{};
  for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<unsigned char>(first + i);
  return d;
}

class ImapTls : public ::testing::Test {
 protected:
  ScriptedTransport server;
  FakeCertificate cert;
  std::vector<std::string> engines;  // the server name each engine was made for
  ImapClient client{[this] { return server.Handle(); }, imap::ParserLimits{},
                    [this](const std::string& host) {
                      engines.push_back(host);
                      return std::make_unique<FakeEngine>(cert);
                    }};
  std::string description;

  std::int32_t SignInError(const std::string& host = "imap.example.org") {
    try {
      client.SignIn(host, "anna", "geheim");
    } catch (const AppError& e) {
      description = e.Description();
      return e.Number();
    }
    return 0;
  }
};

TEST_F(ImapTls, StartTlsSecuresTheConnectionBeforeTheLogin) {
  // LOGINDISABLED in clear: the password waits for TLS, and then goes with the CAPABILITY.
  server.Server("* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready")
      .Client("A1 STARTTLS")
      .Server("A1 OK Begin TLS negotiation now")
      .ClientRaw(kHello)
      .ServerRaw(kWelcome)
      .ClientRaw("A2 CAPABILITY\r\nA3 LOGIN \"anna\" \"geheim\"\r\n")
      .Server("* CAPABILITY IMAP4rev1 AUTH=PLAIN")
      .Server("A2 OK done")
      .Server("A3 OK Logged in")
      .Client("A4 LOGOUT");
  client.SetSecurity("STARTTLS", "");
  EXPECT_EQ(SignInError(), 0) << description;
  client.SignOut();
  EXPECT_EQ(server.Problems(), "");
  EXPECT_EQ(engines, std::vector<std::string>{"imap.example.org"});
  // greeting, STARTTLS, handshake, CAPABILITY with LOGIN
  EXPECT_EQ(client.RoundTrips(), 4);
}

TEST_F(ImapTls, AfterStartTlsAPasswordLiteralStillWaitsForTheServer) {
  // The capabilities from before TLS are forgotten, LITERAL+ with them.
  server.Server("* OK [CAPABILITY IMAP4rev1 STARTTLS LITERAL+] ready")
      .Client("A1 STARTTLS")
      .Server("A1 OK go")
      .ClientRaw(kHello)
      .ServerRaw(kWelcome)
      .ClientRaw("A2 CAPABILITY\r\nA3 LOGIN \"anna\" {9}\r\n")
      .Server("* CAPABILITY IMAP4rev1 LITERAL+")
      .Server("A2 OK done")
      .Server("+ go on")
      .ClientRaw("pässwort\r\n")
      .Server("A3 OK Logged in");
  client.SetSecurity("STARTTLS", "");
  try {
    client.SignIn("imap.example.org", "anna", "pässwort");
  } catch (const AppError& e) {
    ADD_FAILURE() << e.Description();
  }
  EXPECT_EQ(server.Problems(), "");
}

TEST_F(ImapTls, WhatCameInClearAfterTheStartTlsOkIsDropped) {
  // Someone on the line appends a completion of the client's next command and capabilities
  // without LOGINDISABLED; the real server then says LOGINDISABLED over TLS.
  server.Server("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready")
      .Client("A1 STARTTLS")
      .ServerRaw("A1 OK Begin TLS\r\n* CAPABILITY IMAP4rev1 AUTH=PLAIN\r\nA2 OK injected\r\n")
      .ClientRaw(kHello)
      .ServerRaw(kWelcome)
      .Client("A2 CAPABILITY")
      .Client("A3 LOGIN \"anna\" \"geheim\"")
      .Server("* CAPABILITY IMAP4rev1 LOGINDISABLED")
      .Server("A2 OK done")
      .Server("A3 NO [PRIVACYREQUIRED] Plaintext authentication disallowed");
  client.SetSecurity("starttls", "");
  EXPECT_EQ(SignInError(), kImapLoginDisabled);
  EXPECT_EQ(server.Problems(), "");
  // The password went over TLS only: after the handshake.
  EXPECT_GT(server.Sent().find("LOGIN \""), server.Sent().find(kHello));
}

TEST_F(ImapTls, StartTlsNotOfferedOrRefusedEndsTheSignInWithoutALogin) {
  struct Case {
    const char* name;
    std::function<void(ScriptedTransport&)> script;
    std::int32_t error;
  };
  std::vector<Case> cases = {
      {"not offered", [](ScriptedTransport& s) { s.Server("* OK [CAPABILITY IMAP4rev1] ready"); },
       kTlsNotOffered},
      {"capabilities asked for",
       [](ScriptedTransport& s) {
         s.Server("* OK ready")
             .Client("A1 CAPABILITY")
             .Server("* CAPABILITY IMAP4rev1 AUTH=PLAIN")
             .Server("A1 OK done");
       },
       kTlsNotOffered},
      {"preauthenticated in clear",
       [](ScriptedTransport& s) { s.Server("* PREAUTH [CAPABILITY IMAP4rev1 STARTTLS] hi"); },
       kTlsNotOffered},
      {"refused",
       [](ScriptedTransport& s) {
         s.Server("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready")
             .Client("A1 STARTTLS")
             .Server("A1 NO [UNAVAILABLE] not now");
       },
       kTlsRefused},
      {"handshake garbage",
       [](ScriptedTransport& s) {
         s.Server("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready")
             .Client("A1 STARTTLS")
             .Server("A1 OK go")
             .ClientRaw(kHello)
             .Server("* BYE not TLS");
       },
       kTlsFailed},
      {"closed in the handshake",
       [](ScriptedTransport& s) {
         s.Server("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready")
             .Client("A1 STARTTLS")
             .Server("A1 OK go")
             .ClientRaw(kHello)
             .ServerCloses();
       },
       kTlsFailed},
  };
  for (const Case& c : cases) {
    ScriptedTransport script;
    ImapClient one{[&] { return script.Handle(); }, imap::ParserLimits{},
                   [this](const std::string&) { return std::make_unique<FakeEngine>(cert); }};
    one.SetSecurity("STARTTLS", "");
    c.script(script);
    std::int32_t error = 0;
    try {
      one.SignIn("imap.example.org", "anna", "geheim");
    } catch (const AppError& e) {
      error = e.Number();
    }
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_EQ(script.Problems(), "") << c.name;
    EXPECT_EQ(script.Sent().find("LOGIN"), std::string::npos) << c.name;
    EXPECT_TRUE(script.Closed()) << c.name;
  }
}

TEST_F(ImapTls, ImplicitTlsHandshakesBeforeTheGreeting) {
  server.ClientRaw(kHello)
      .ServerRaw(kWelcome)
      .Server("* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] ready")
      .Client("A1 LOGIN \"anna\" \"geheim\"")
      .Server("A1 OK Logged in");
  client.SetSecurity(" SSL/TLS ", "");
  EXPECT_EQ(SignInError(), 0) << description;
  EXPECT_EQ(server.Problems(), "");
  // Connect, handshake, greeting, login.
  EXPECT_EQ(client.RoundTrips(), 3);
}

TEST_F(ImapTls, TheCertificateMustProveTheServer) {
  struct Case {
    const char* name;
    std::string chainProblem;
    std::string pin;
    std::string host;
    std::int32_t error;
  };
  const std::string leaf = imap::FormatFingerprint(Digest(1));
  const std::string other = imap::FormatFingerprint(Digest(2));
  std::vector<Case> cases = {
      {"trusted", "", "", "imap.example.org", 0},
      {"untrusted", "unknown CA.", "", "imap.example.org", kTlsUntrusted},
      {"trusted, other name", "", "", "mail.example.org", kTlsWrongHost},
      {"pinned and untrusted", "unknown CA.", leaf, "imap.example.org", 0},
      {"pinned, other name", "unknown CA.", leaf, "mail.example.org", kTlsWrongHost},
      {"another pinned", "", other, "imap.example.org", kTlsPinMismatch},
  };
  for (const Case& c : cases) {
    ScriptedTransport script;
    FakeCertificate served;
    served.leaf = Digest(1);
    served.chainProblem = c.chainProblem;
    ImapClient one{[&] { return script.Handle(); }, imap::ParserLimits{},
                   [&](const std::string&) { return std::make_unique<FakeEngine>(served); }};
    one.SetSecurity("SSL/TLS", c.pin);
    script.ClientRaw(kHello).ServerRaw(kWelcome);
    if (c.error == 0) {
      script.Server("* OK [CAPABILITY IMAP4rev1] ready")
          .Client("A1 LOGIN \"anna\" \"geheim\"")
          .Server("A1 OK in");
    }
    std::int32_t error = 0;
    std::string text;
    try {
      one.SignIn(c.host, "anna", "geheim");
    } catch (const AppError& e) {
      error = e.Number();
      text = e.Description();
    }
    EXPECT_EQ(error, c.error) << c.name << ": " << text;
    EXPECT_EQ(script.Problems(), "") << c.name;
    if (c.error == kTlsUntrusted || c.error == kTlsPinMismatch) {
      EXPECT_NE(text.find(leaf), std::string::npos) << "the served fingerprint helps to pin it";
    }
  }
}

TEST_F(ImapTls, UnusableSettingsFailEverySignInBeforeConnecting) {
  const std::string pin = imap::FormatFingerprint(Digest(1));
  for (auto [mode, fingerprint] :
       std::vector<std::pair<std::string, std::string>>{{"TLS", ""},
                                                        {"ja", ""},
                                                        {"Keine", pin},
                                                        {"", pin},
                                                        {"SSL/TLS", "AB:CD"},
                                                        {"STARTTLS", pin + ":00"},
                                                        {"STARTTLS", pin.substr(0, 94) + "G"}}) {
    client.SetSecurity(mode, fingerprint);
    EXPECT_EQ(SignInError(), kTlsBadSetting) << mode << " " << fingerprint;
    EXPECT_EQ(SignInError(), kTlsBadSetting) << "and again";
  }
  EXPECT_EQ(server.Connects(), 0);

  // Fixing the setting is enough.
  client.SetSecurity("Keine", " ");
  server.Server("* OK [CAPABILITY IMAP4rev1] ready")
      .Client("A1 LOGIN \"anna\" \"geheim\"")
      .Server("A1 OK in");
  EXPECT_EQ(SignInError(), 0) << description;
  EXPECT_TRUE(engines.empty());
}

TEST_F(ImapTls, WithoutATlsLibraryNothingGoesOutInClear) {
  ScriptedTransport script;
  ImapClient plainOnly{[&] { return script.Handle(); }};
  plainOnly.SetSecurity("STARTTLS", "");
  script.Server("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready")
      .Client("A1 STARTTLS")
      .Server("A1 OK go");
  try {
    plainOnly.SignIn("h", "anna", "geheim");
    ADD_FAILURE() << "signed in";
  } catch (const AppError& e) {
    EXPECT_EQ(e.Number(), kTlsFailed);
  }
  EXPECT_EQ(script.Sent().find("LOGIN"), std::string::npos);
}

TEST(ServerSecurity, FingerprintsInTheFormsAdministratorsCopy) {
  const Sha256 d = Digest(0xA0);
  const std::string colons = imap::FormatFingerprint(d);
  EXPECT_EQ(colons.substr(0, 9), "A0:A1:A2:");
  EXPECT_EQ(colons.size(), 95u);
  std::string bare;
  std::string blanks;
  for (char ch : colons) {
    bare += ch == ':' ? "" : std::string(1, static_cast<char>(std::tolower(ch)));
    blanks += ch == ':' ? ' ' : ch;
  }
  EXPECT_EQ(imap::ParseFingerprint(colons), d);
  EXPECT_EQ(imap::ParseFingerprint(bare), d);
  EXPECT_EQ(imap::ParseFingerprint(blanks), d);
  EXPECT_EQ(imap::ParseFingerprint("  " + colons + "\t"), d);
  for (const std::string& bad :
       {std::string(), colons + ":", ":" + colons, colons.substr(1), bare + "0", bare.substr(0, 62),
        colons + ":A0", colons.substr(0, 3) + ":" + colons.substr(3)}) {
    EXPECT_EQ(imap::ParseFingerprint(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(imap::DefaultPort("SSL/TLS"), 993);
  EXPECT_EQ(imap::DefaultPort(" ssl/tls"), 993);
  EXPECT_EQ(imap::DefaultPort("STARTTLS"), 143);
  EXPECT_EQ(imap::DefaultPort("Keine"), 143);
  EXPECT_EQ(imap::DefaultPort("Quatsch"), 143);
}

}  // namespace
}  // namespace pw
