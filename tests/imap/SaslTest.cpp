// Signing in with an OAuth2 token: the SASL strings and the AUTHENTICATE transcripts.
#include <gtest/gtest.h>

#include "imap/ImapClient.h"
#include "imap/Sasl.h"
#include "imap/ScriptedTransport.h"

namespace pw {
namespace {

using imap::OAuthMechanism;
using test::ScriptedTransport;

TEST(Sasl, InitialResponsesAndTheirRefusals) {
  EXPECT_EQ(imap::InitialResponse(OAuthMechanism::XOAuth2, "kasse@firma.de", "at-1", "h", 993),
            "dXNlcj1rYXNzZUBmaXJtYS5kZQFhdXRoPUJlYXJlciBhdC0xAQE=");
  // RFC 7628 with the gs2 header's saslname escaping "=" and ",".
  EXPECT_EQ(imap::InitialResponse(OAuthMechanism::OAuthBearer, "a=,b", "t", "h", 143),
            "bixhPWE9M0Q9MkNiLAFob3N0PWgBcG9ydD0xNDMBYXV0aD1CZWFyZXIgdAEB");
  EXPECT_EQ(imap::ErrorChallengeAnswer(OAuthMechanism::OAuthBearer), "AQ==");
  EXPECT_EQ(imap::ErrorChallengeAnswer(OAuthMechanism::XOAuth2), "");
  const struct {
    const char* user;
    const char* token;
  } unsafe[] = {{"a\x01"
                 "b",
                 "t"},
                {"a\r\nb", "t"},
                {"a", "t\x01x"},
                {"a", "t x"},
                {"a", ""}};
  for (const auto& u : unsafe) {
    EXPECT_THROW(imap::InitialResponse(OAuthMechanism::OAuthBearer, u.user, u.token, "h", 1),
                 AppError);
  }
}

class OAuthTranscript : public ::testing::Test {
 protected:
  ScriptedTransport server;
  ImapClient client{[this] { return server.Handle(); }};

  std::int32_t SignInError() {
    client.SetPort(993);
    try {
      client.SignInWithToken(host, "empfang@firma.de", "at-1");
    } catch (const AppError& e) {
      description = e.Description();
      return e.Number();
    }
    return 0;
  }
  std::string description;
  // The scripted line is not encrypted: a token goes over it only to the own machine.
  std::string host = "localhost";
};

constexpr char kBearer[] =
    "bixhPWVtcGZhbmdAZmlybWEuZGUsAWhvc3Q9bG9jYWxob3N0AXBvcnQ9OTkzAWF1dGg9QmVhcmVyIGF0LTEBAQ==";

TEST_F(OAuthTranscript, OAuthBearerWithInitialResponseIsOneTurn) {
  server.Server("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=XOAUTH2 AUTH=OAUTHBEARER] ready")
      .Client(std::string("A1 AUTHENTICATE OAUTHBEARER ") + kBearer)
      .Server("A1 OK [CAPABILITY IMAP4rev1] Logged in");
  EXPECT_EQ(SignInError(), 0);
  EXPECT_EQ(server.Problems(), "");
  EXPECT_EQ(client.RoundTrips(), 2);  // the greeting and the AUTHENTICATE
}

TEST_F(OAuthTranscript, ErrorChallengeIsAnsweredAndTheMailboxRefused) {
  // XOAUTH2 only: the error challenge is answered with an empty line.
  server.Server("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=XOAUTH2] ready")
      .Client(
          "A1 AUTHENTICATE XOAUTH2 "
          "dXNlcj1lbXBmYW5nQGZpcm1hLmRlAWF1dGg9QmVhcmVyIGF0LTEBAQ==")
      .Server("+ eyJzdGF0dXMiOiI0MDEiLCJzY2hlbWVzIjoiYmVhcmVyIn0=")
      .Client("")
      .Server("A1 NO [AUTHENTICATIONFAILED] Authentication failed.");
  EXPECT_EQ(SignInError(), kOAuthTokenRefused);
  EXPECT_NE(description.find("empfang@firma.de"), std::string::npos);
  EXPECT_EQ(server.Problems(), "");
}

TEST_F(OAuthTranscript, WithoutSaslIrTheResponseFollowsTheEmptyChallenge) {
  server.Server("* OK [CAPABILITY IMAP4rev1 AUTH=OAUTHBEARER] ready")
      .Client("A1 AUTHENTICATE OAUTHBEARER")
      .Server("+ ")
      .Client(kBearer)
      .Server("+ eyJzdGF0dXMiOiJpbnZhbGlkX3Rva2VuIn0=")
      .Client("AQ==")
      .Server("A1 NO Authentication failed.");
  EXPECT_EQ(SignInError(), kOAuthTokenRefused);
  EXPECT_EQ(server.Problems(), "");
}

TEST_F(OAuthTranscript, AServerWithoutOAuthOrWithASecondChallengeFailsCleanly) {
  server.Server("* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] ready");
  EXPECT_EQ(SignInError(), kOAuthNoMechanism);
  // Without TLS to another machine the token stays home, LOGINDISABLED or not: nothing is sent.
  for (const char* plainHost : {"imap.example.org", "127.0.0.1.example.org", "10.0.0.1"}) {
    ScriptedTransport plain;
    ImapClient third{[&] { return plain.Handle(); }};
    plain.Server("* OK [CAPABILITY IMAP4rev1 LOGINDISABLED AUTH=OAUTHBEARER] ready");
    third.SetPort(143);
    try {
      third.SignInWithToken(plainHost, "empfang@firma.de", "at-1");
      ADD_FAILURE() << plainHost;
    } catch (const AppError& e) {
      EXPECT_EQ(e.Number(), kOAuthPlainConnection) << plainHost;
      EXPECT_NE(e.Description().find(plainHost), std::string::npos);
    }
    EXPECT_EQ(plain.Problems(), "");
  }

  ScriptedTransport second;
  ImapClient other{[&] { return second.Handle(); }};
  second.Server("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=OAUTHBEARER] ready")
      .Client(std::string("A1 AUTHENTICATE OAUTHBEARER ") + kBearer)
      .Server("+ e30=")
      .Client("AQ==")
      .Server("+ e30=");
  other.SetPort(993);
  try {
    other.SignInWithToken("localhost", "empfang@firma.de", "at-1");
    ADD_FAILURE();
  } catch (const AppError& e) {
    EXPECT_EQ(e.Number(), kImapMalformedReply);
  }
}

}  // namespace
}  // namespace pw
