// Transcript tests of the IMAP client: scripted server lines, the exact client bytes expected.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imap/ImapClient.h"
#include "imap/ImapErrors.h"
#include "imap/ScriptedTransport.h"
#include "platform/Resolver.h"

namespace pw {
namespace {

using test::ScriptedTransport;

constexpr char kGreeting[] = "* OK [CAPABILITY IMAP4rev1 LITERAL+ AUTH=PLAIN] Dovecot ready.";

class ImapTranscript : public ::testing::Test {
 protected:
  ScriptedTransport server;
  ImapClient client{[this] { return server.Handle(); }};

  // The greeting and a successful LOGIN of anna.
  ScriptedTransport& SignedIn() {
    return server.Server(kGreeting)
        .Client("A1 LOGIN \"anna\" \"geheim\"")
        .Server("A1 OK [CAPABILITY IMAP4rev1 LITERAL+] Logged in");
  }

  // The error number SignIn raises, or 0.
  std::int32_t SignInError(const std::string& user, const std::string& password) {
    try {
      client.SignIn("imap.example.org", user, password);
    } catch (const AppError& e) {
      description = e.Description();
      return e.Number();
    }
    return 0;
  }

  std::int32_t SearchError(const std::string& key) {
    try {
      std::string out;
      client.Mailbox("INBOX").Search(key, out, 0);
    } catch (const AppError& e) {
      description = e.Description();
      return e.Number();
    }
    return 0;
  }

  std::string Search(const std::string& key) {
    std::string out = "unchanged";
    client.Mailbox("INBOX").Search(key, out, 0);
    return out;
  }

  std::string description;
};

TEST_F(ImapTranscript, CheckOfOneAccountWithoutEsearchTakesFourRoundTrips) {
  SignedIn()
      .Client("A2 SELECT \"INBOX\"")
      .Client("A3 SEARCH RECENT")
      .Server("* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)")
      .Server("* OK [PERMANENTFLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft \\*)] Flags.")
      .Server("* 12 EXISTS")
      .Server("* 2 RECENT")
      .Server("* OK [UIDVALIDITY 1700000000] UIDs valid")
      .Server("A2 OK [READ-WRITE] Select completed (0.001 + 0.000 secs).")
      .Server("* SEARCH 11 12")
      .Server("A3 OK Search completed (0.001 + 0.000 secs).")
      .Client("A4 SEARCH SEEN")
      .Server("* SEARCH 1 2 3 4 5 6 7 8 9")
      .Server("A4 OK Search completed (0.001 + 0.000 secs).")
      .Client("A5 LOGOUT");

  client.SetTimeout(10000);
  client.SignIn("imap.example.org", "anna", "geheim");
  client.PostSignIn();
  EXPECT_EQ(Search("RECENT"), "11,12");
  EXPECT_EQ(Search("SEEN"), "1,2,3,4,5,6,7,8,9");
  EXPECT_EQ(client.Mailbox("INBOX").MessageCount(), 12);
  client.SignOut();

  EXPECT_EQ(server.Problems(), "");
  EXPECT_EQ(server.host, "imap.example.org");
  EXPECT_EQ(server.port, 143);
  EXPECT_GT(server.lastTimeoutMs, 9000);
  EXPECT_LE(server.lastTimeoutMs, 10000);
  EXPECT_TRUE(server.Closed());
  // connect/greeting, LOGIN, SELECT + SEARCH RECENT, SEARCH SEEN; LOGOUT is not waited for
  EXPECT_EQ(client.RoundTrips(), 4);
}

TEST_F(ImapTranscript, ReadsOneByteAtATime) {
  SignedIn()
      .ClientRaw("A2 SELECT \"INBOX\"\r\nA3 SEARCH SEEN\r\n")
      .ServerRaw(
          "* 40000 EXISTS\r\n* 0 RECENT\r\nA2 OK [READ-WRITE] done\r\n* SEARCH 39999 40000\r\n")
      .Server("A3 OK done");
  server.SetChunk(1);
  client.SignIn("imap.example.org", "anna", "geheim");
  EXPECT_EQ(Search("SEEN"), "39999,40000");
  EXPECT_EQ(client.Mailbox("INBOX").MessageCount(), 40000);
  EXPECT_EQ(server.Problems(), "");
}

TEST_F(ImapTranscript, RepliesAreMatchedByTagNotByOrder) {
  SignedIn()
      .Client("A2 SELECT \"INBOX\"")
      .Client("A3 SEARCH RECENT")
      .Server("* 3 EXISTS")
      .Server("* SEARCH 2 3")
      .Server("A3 OK Search completed")
      .Server("A2 OK [READ-WRITE] Select completed");
  client.SignIn("imap.example.org", "anna", "geheim");
  EXPECT_EQ(Search("RECENT"), "2,3");
  EXPECT_EQ(client.Mailbox("INBOX").MessageCount(), 3);
  EXPECT_EQ(server.Problems(), "");
}

TEST_F(ImapTranscript, EmptySearchGivesEmptyTextAndNewMailUpdatesTheCount) {
  SignedIn()
      .Client("A2 SELECT \"inbox\"")
      .Server("* 5 EXISTS")
      .Server("A2 OK [READ-WRITE] Select completed")
      .Client("A3 SEARCH RECENT")
      .Server("* SEARCH")
      .Server("A3 OK Search completed")
      .Client("A4 SEARCH SEEN")
      .Server("* 6 EXISTS")
      .Server("* 1 EXPUNGE")
      .Server("* SEARCH ")
      .Server("A4 OK Search completed");
  client.SignIn("imap.example.org", "anna", "geheim");
  EXPECT_EQ(client.Mailbox("inbox").MessageCount(), 5);  // SELECT alone, no search
  EXPECT_EQ(Search("RECENT"), "");
  EXPECT_EQ(Search("SEEN"), "");
  EXPECT_EQ(client.Mailbox("INBOX").MessageCount(), 5);  // 5 + 1 delivered - 1 expunged
  EXPECT_EQ(server.Problems(), "");
}

TEST_F(ImapTranscript, LoginRefusalsAndTheirNumbers) {
  struct Case {
    const char* reply;
    std::int32_t number;
  };
  const Case cases[] = {
      {"A1 NO [AUTHENTICATIONFAILED] Authentication failed.", kImapErrorLoginRefused},
      {"A1 NO Login failed", kImapErrorLoginRefused},
      {"A1 NO [EXPIRED] Password expired", kImapErrorLoginRefused},
      {"A1 NO [LIMIT] Maximum number of connections from user+IP exceeded", kImapServerBusy},
      {"A1 NO [UNAVAILABLE] Temporary authentication failure", kImapServerBusy},
      {"A1 NO [INUSE] Mailbox in use", kImapServerBusy},
      {"A1 NO Request is throttled. Suggested Backoff Time: 2000 milliseconds", kImapServerBusy},
      {"A1 NO [PRIVACYREQUIRED] Use TLS", kImapLoginDisabled},
      {"A1 BAD Error in IMAP command", kImapCommandRejected},
  };
  for (const Case& c : cases) {
    ScriptedTransport script;
    ImapClient fresh([&] { return script.Handle(); });
    script.Server(kGreeting).Client("A1 LOGIN \"anna\" \"falsch\"").Server(c.reply);
    std::int32_t number = 0;
    try {
      fresh.SignIn("imap.example.org", "anna", "falsch");
    } catch (const AppError& e) {
      number = e.Number();
    }
    EXPECT_EQ(number, c.number) << c.reply;
    EXPECT_TRUE(script.Closed()) << c.reply;
    EXPECT_EQ(script.Problems(), "") << c.reply;
    EXPECT_NO_THROW(fresh.SignOut());
    EXPECT_EQ(script.Sent().find("LOGOUT"), std::string::npos);
  }
}

TEST_F(ImapTranscript, ServerTurningTheSessionAwayAsksForPatience) {
  server.Server("* BYE Too many connections, try again later").ServerCloses();
  EXPECT_EQ(SignInError("anna", "geheim"), kImapServerBusy);
  EXPECT_EQ(description,
            "Der Server bittet, später wiederzukommen: Too many connections, try again later");

  ScriptedTransport later;
  ImapClient second([&] { return later.Handle(); });
  later.Server(kGreeting)
      .Client("A1 LOGIN \"anna\" \"geheim\"")
      .Server("* BYE Server shutting down.")
      .ServerCloses();
  try {
    second.SignIn("imap.example.org", "anna", "geheim");
    ADD_FAILURE() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.Number(), kImapServerBusy);
  }
}

TEST_F(ImapTranscript, QuotesAndLiteralsCarryAnyPassword) {
  struct Case {
    const char* user;
    const char* password;
    const char* wire;
  };
  const Case cases[] = {
      {"anna", "a\"b\\c", "A1 LOGIN \"anna\" \"a\\\"b\\\\c\"\r\n"},
      {"anna", "", "A1 LOGIN \"anna\" \"\"\r\n"},
      {"anna", "pässwort", "A1 LOGIN \"anna\" {9+}\r\npässwort\r\n"},
      {"jörg", "x y", "A1 LOGIN {5+}\r\njörg \"x y\"\r\n"},
  };
  for (const Case& c : cases) {
    ScriptedTransport script;
    ImapClient fresh([&] { return script.Handle(); });
    script.Server(kGreeting).ClientRaw(c.wire).Server("A1 OK Logged in");
    EXPECT_NO_THROW(fresh.SignIn("h", c.user, c.password)) << c.password;
    EXPECT_EQ(script.Problems(), "") << c.password;
  }
}

TEST_F(ImapTranscript, WithoutLiteralPlusTheLiteralWaitsForTheServer) {
  server.Server("* OK [CAPABILITY IMAP4rev1] ready")
      .ClientRaw("A1 LOGIN \"anna\" {9}\r\n")
      .Server("+ OK")
      .ClientRaw("pässwort\r\n")
      .Server("A1 OK Logged in");
  EXPECT_EQ(SignInError("anna", "pässwort"), 0);
  EXPECT_EQ(server.Problems(), "");

  // A server that refuses the literal gets none of the password's bytes.
  ScriptedTransport refusing;
  ImapClient second([&] { return refusing.Handle(); });
  refusing.Server("* OK [CAPABILITY IMAP4rev1] ready")
      .ClientRaw("A1 LOGIN \"anna\" {9}\r\n")
      .Server("A1 BAD Literal too large");
  EXPECT_THROW(second.SignIn("h", "anna", "pässwort"), AppError);
  EXPECT_EQ(refusing.Problems(), "");
}

TEST_F(ImapTranscript, LineBreaksAndNulAreRefusedBeforeAnythingIsSent) {
  const std::pair<std::string, std::string> cases[] = {
      {"anna", "geheim\r\nA2 DELETE INBOX"},
      {"anna\n", "geheim"},
      {"anna", std::string("geh\0eim", 7)},
  };
  for (const auto& [user, password] : cases) {
    EXPECT_EQ(SignInError(user, password), kImapUnsafeText);
  }
  EXPECT_EQ(server.Connects(), 0);
  EXPECT_EQ(server.Sent(), "");
}

TEST_F(ImapTranscript, LoginDisabledIsReportedWithoutSendingThePassword) {
  server.Server("* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready");
  EXPECT_EQ(SignInError("anna", "geheim"), kImapLoginDisabled);
  EXPECT_EQ(server.Sent(), "");
}

TEST_F(ImapTranscript, PreauthenticatedSessionSkipsTheLogin) {
  server.Server("* PREAUTH [CAPABILITY IMAP4rev1] ready")
      .Client("A1 SELECT \"INBOX\"")
      .Client("A2 SEARCH RECENT")
      .Server("* 1 EXISTS")
      .Server("A1 OK [READ-WRITE] done")
      .Server("* SEARCH 1")
      .Server("A2 OK done");
  client.SignIn("h", "anna", "geheim");
  EXPECT_EQ(Search("RECENT"), "1");
  EXPECT_EQ(server.Problems(), "");
}

TEST_F(ImapTranscript, FailuresAfterTheLogin) {
  SignedIn()
      .Client("A2 SELECT \"INBOX\"")
      .Client("A3 SEARCH RECENT")
      .Server("A2 NO Mailbox doesn't exist: INBOX")
      .Server("A3 BAD No mailbox selected")
      .Client("A4 SELECT \"INBOX\"")
      .Client("A5 SEARCH FLAGGED")
      .Server("A4 OK [READ-WRITE] done")
      .Server("A5 NO [SERVERBUG] Internal error")
      .Client("A6 SEARCH SEEN")
      .Server("A6 BAD Error in IMAP command SEARCH")
      .Client("A7 SEARCH DRAFT")
      .Server("* SEARCH 1 x");
  client.SignIn("h", "anna", "geheim");
  EXPECT_EQ(SearchError("RECENT"), kImapCommandFailed);
  EXPECT_EQ(description,
            "Der Server hat den Befehl SELECT \"INBOX\" abgelehnt: Mailbox doesn't exist: INBOX");
  EXPECT_EQ(SearchError("FLAGGED"), kImapCommandFailed);
  EXPECT_EQ(SearchError("SEEN"), kImapCommandRejected);
  EXPECT_EQ(SearchError("DRAFT"), kImapMalformedReply);
  EXPECT_EQ(SearchError("ANSWERED"), kImapNotSignedIn);  // the malformed reply closed it
  EXPECT_EQ(server.Problems(), "");
}

TEST_F(ImapTranscript, TimeoutsAndClosedConnections) {
  server.ServerSilent();
  EXPECT_EQ(SignInError("anna", "geheim"), kNetTimedOut);

  ScriptedTransport refused;
  refused.ConnectFails(kNetRefused);
  ImapClient second([&] { return refused.Handle(); });
  try {
    second.SignIn("h", "anna", "geheim");
    ADD_FAILURE() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.Number(), kNetRefused);
  }

  ScriptedTransport dying;
  ImapClient third([&] { return dying.Handle(); });
  dying.Server(kGreeting)
      .Client("A1 LOGIN \"anna\" \"geheim\"")
      .Server("A1 OK Logged in")
      .Client("A2 SELECT \"INBOX\"")
      .Client("A3 SEARCH RECENT")
      .ServerRaw("* 3 EXISTS\r\n* 3 REC")
      .ServerCloses();
  third.SignIn("h", "anna", "geheim");
  try {
    std::string out;
    third.Mailbox("INBOX").Search("RECENT", out, 0);
    ADD_FAILURE() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.Number(), kNetClosed);
  }
  EXPECT_NO_THROW(third.SignOut());
  EXPECT_EQ(dying.Problems(), "");
}

TEST_F(ImapTranscript, SignOutIsHarmlessWhenNobodyIsSignedIn) {
  EXPECT_NO_THROW(client.SignOut());
  EXPECT_EQ(server.Connects(), 0);
  EXPECT_THROW(client.Mailbox("INBOX"), AppError);
  EXPECT_THROW(client.PostSignIn(), AppError);

  // SignOut does not wait for the server's goodbye.
  SignedIn().Client("A2 LOGOUT");
  client.SignIn("h", "anna", "geheim");
  EXPECT_NO_THROW(client.SignOut());
  EXPECT_TRUE(server.Closed());
  EXPECT_EQ(server.Problems(), "");
}

TEST_F(ImapTranscript, TimeoutOfZeroMeansTheDefaultAndThePortIsUsed) {
  SignedIn();
  client.SetTimeout(0);
  client.SetPort(10143);
  EXPECT_EQ(SignInError("anna", "geheim"), 0);
  EXPECT_EQ(server.port, 10143);
  EXPECT_GT(server.lastTimeoutMs, 9000);
  client.SetPort(70000);
  EXPECT_EQ(SignInError("anna", "geheim"), kImapBadArgument);
}

// Servers that misbehave, one row each: whatever they send, the call ends with a number the
// sign-in can tell apart, and nothing wraps, hangs or grows without bound.
TEST(ImapHostileServer, EveryModeEndsTheCallWithItsNumber) {
  enum class Call { SignIn, Count, Search };
  struct Mode {
    const char* name;
    Call call;
    std::vector<std::string> lines;  // after the greeting (SignIn) or the client's SELECT
    std::int32_t error;
  };
  const std::string searchLine = "* SEARCH 1 2 3 4 5 6 7 8 9 10";
  const std::vector<Mode> modes = {
      {"garbage for a greeting", Call::SignIn, {"HTTP/1.1 400 Bad Request"}, kImapMalformedReply},
      {"negative count", Call::Count, {"* -5 EXISTS"}, kImapMalformedReply},
      {"letters for a count", Call::Count, {"* abc EXISTS"}, kImapMalformedReply},
      {"count without its number", Call::Count, {"* EXISTS"}, kImapMalformedReply},
      {"EXISTS without end", Call::Count, std::vector<std::string>(100, "* 1 EXISTS"),
       kImapMalformedReply},
      {"one search in many lines",
       Call::Search,
       {"A2 OK selected", searchLine, searchLine, searchLine, searchLine},
       kImapMalformedReply},
      {"drops the connection after LOGIN", Call::Count, {"<closes>"}, kNetClosed},
      {"falls silent after LOGIN", Call::Count, {"<silent>"}, kNetTimedOut},
  };
  for (const Mode& mode : modes) {
    SCOPED_TRACE(mode.name);
    test::ScriptedTransport server;
    imap::ParserLimits limits;
    limits.maxSearchLine = 64;
    limits.maxAnswer = 512;
    ImapClient client{[&server] { return server.Handle(); }, limits};
    if (mode.call != Call::SignIn) {
      server.Server(kGreeting)
          .Client("A1 LOGIN \"anna\" \"geheim\"")
          .Server("A1 OK [CAPABILITY IMAP4rev1] Logged in")
          .Client("A2 SELECT \"INBOX\"");
      if (mode.call == Call::Search) server.Client("A3 SEARCH SEEN");
    }
    for (const std::string& line : mode.lines) {
      if (line == "<closes>") {
        server.ServerCloses();
      } else if (line == "<silent>") {
        server.ServerSilent();
      } else {
        server.Server(line);
      }
    }
    std::int32_t error = 0;
    try {
      client.SignIn("imap.example.org", "anna", "geheim");
      std::string out;
      if (mode.call == Call::Count) client.Mailbox("INBOX").MessageCount();
      if (mode.call == Call::Search) client.Mailbox("INBOX").Search("SEEN", out, 0);
    } catch (const AppError& e) {
      error = e.Number();
    }
    EXPECT_EQ(error, mode.error);
    EXPECT_TRUE(server.Closed());
  }
}

// The resolver seam: the name is looked up once until the run lets its addresses go, every
// address is offered to the transport, and the lookup's failure is the sign-in's.
TEST(ImapResolver, NameIsLookedUpOncePerRunAndItsFailureEndsTheSignIn) {
  struct CountingResolver : Resolver {
    std::vector<std::string> Resolve(const std::string& host, int timeoutMs) override {
      ++lookups;
      lastTimeoutMs = timeoutMs;
      if (failWith) throw NetError(failWith, host);
      return {"2001:db8::1", "192.0.2.1"};
    }
    int lookups = 0;
    int lastTimeoutMs = 0;
    std::int32_t failWith = 0;
  };
  test::ScriptedTransport server;
  ImapClient client{[&server] { return server.Handle(); }};
  auto owned = std::make_unique<CountingResolver>();
  CountingResolver& resolver = *owned;
  client.SetResolver(std::move(owned));
  client.SetTimeout(3000);
  // The first address refuses; the second is tried within the same call.
  server.ConnectFails(kNetRefused)
      .Server(kGreeting)
      .Client("A1 LOGIN \"anna\" \"geheim\"")
      .Server("A1 OK Logged in")
      .Client("A2 LOGOUT")
      .Server(kGreeting)
      .Client("A1 LOGIN \"anna\" \"geheim\"")
      .Server("A1 OK Logged in")
      .Client("A2 LOGOUT");
  client.SignIn("imap.example.org", "anna", "geheim");
  EXPECT_EQ(server.host, "192.0.2.1");
  client.SignIn("imap.example.org", "anna", "geheim");
  client.SignOut();
  EXPECT_EQ(resolver.lookups, 1);
  EXPECT_GT(resolver.lastTimeoutMs, 2000);
  EXPECT_LE(resolver.lastTimeoutMs, 3000);
  EXPECT_EQ(server.Problems(), "");

  client.ForgetServerAddresses();
  for (std::int32_t number : {kNetHostNotFound, kNetNameUnavailable}) {
    resolver.failWith = number;
    std::int32_t error = 0;
    try {
      client.SignIn("imap.example.org", "anna", "geheim");
    } catch (const AppError& e) {
      error = e.Number();
    }
    EXPECT_EQ(error, number);
  }
  EXPECT_EQ(resolver.lookups, 3);  // a failed lookup is not kept
}

TEST(ImapResolver, AddressesAreTriedWithTheFamiliesAlternating) {
  using V = std::vector<std::string>;
  EXPECT_EQ(InterleaveFamilies({"::1", "fe80::1", "10.0.0.1", "10.0.0.2"}),
            (V{"::1", "10.0.0.1", "fe80::1", "10.0.0.2"}));
  EXPECT_EQ(InterleaveFamilies({"10.0.0.1", "::1", "::2", "::3"}),
            (V{"10.0.0.1", "::1", "::2", "::3"}));
  EXPECT_EQ(InterleaveFamilies({}), V{});
}

}  // namespace
}  // namespace pw
