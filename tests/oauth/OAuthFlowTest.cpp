// The OAuth2 pieces without the network: settings, PKCE, the browser's redirect and the token
// endpoint's answers.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/AppError.h"
#include "common/SettingsNames.h"
#include "common/Url.h"
#include "oauth/Authorization.h"
#include "oauth/OAuthConfig.h"
#include "oauth/OAuthSession.h"
#include "oauth/TokenEndpoint.h"
#include "platform/Crypto.h"
#include "platform/Http.h"
#include "platform/Loopback.h"
#include "platform/Transport.h"
#include "registry/SettingsStore.h"
#include "substitute/FakeOAuthPlatform.h"
#include "substitute/FakeRegistry.h"

namespace pw {
namespace {

TEST(Pkce, S256OfTheRfcExampleAndFreshSecretsInTheUrlAlphabet) {
  auto crypto = MakeSystemCrypto();
  // RFC 7636, appendix B.
  EXPECT_EQ(S256Challenge(*crypto, "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
            "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
  const PkcePair a = MakePkce(*crypto);
  const PkcePair b = MakePkce(*crypto);
  for (const std::string* s : {&a.verifier, &a.state}) {
    EXPECT_EQ(s->size(), 43u);
    EXPECT_EQ(
        s->find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
        std::string::npos);
  }
  EXPECT_NE(a.verifier, b.verifier);
  EXPECT_NE(a.state, b.state);
  EXPECT_EQ(a.challenge, S256Challenge(*crypto, a.verifier));
}

std::function<std::string(const std::string&, const std::string&)> Settings(
    std::map<std::string, std::string> values) {
  return [values](const std::string& name, const std::string& fallback) {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
  };
}

TEST(OAuthSettings, ProvidersDefaultsAndRefusals) {
  EXPECT_FALSE(ReadOAuthConfig(Settings({})).enabled);
  const OAuthConfig ms =
      ReadOAuthConfig(Settings({{"Anmeldung", "OAuth2"}, {"OAuth2-Client-ID", "abc"}}));
  EXPECT_EQ(ms.authorizeUrl,
            "https://login.microsoftonline.com/organizations/oauth2/v2.0/authorize");
  EXPECT_EQ(ms.tokenUrl, "https://login.microsoftonline.com/organizations/oauth2/v2.0/token");
  EXPECT_EQ(ms.scope, "https://outlook.office.com/IMAP.AccessAsUser.All offline_access");
  EXPECT_EQ(DefaultHost(Settings({{"Anmeldung", "OAuth2"}}), "x"), "outlook.office365.com");
  EXPECT_EQ(DefaultSicherheit(Settings({{"Anmeldung", "OAuth2"}}), "Keine"), "SSL/TLS");
  EXPECT_EQ(DefaultHost(Settings({}), "x"), "x");
  const OAuthConfig own =
      ReadOAuthConfig(Settings({{"Anmeldung", "OAuth2"},
                                {"OAuth2-Anbieter", "Eigener"},
                                {"OAuth2-Client-ID", "desk"},
                                {"OAuth2-Autorisierung", "http://127.0.0.1:8080/a"},
                                {"OAuth2-Token", "http://[::1]:8080/t"}}));
  EXPECT_EQ(own.tokenUrl, "http://[::1]:8080/t");
  EXPECT_NE(own.Fingerprint(), ms.Fingerprint());

  // http:// only where the real host is the own machine, whatever stands around it.
  const struct {
    const char* url;
    bool allowed;
  } endpoints[] = {{"https://login.example.org/t", true},
                   {"HTTP://LOCALHOST:8400/t", true},
                   {"http://localhost./t", true},
                   {"http://127.1.2.3/t", true},
                   {"http://[::1]:8080/t", true},
                   {"http://[::ffff:127.0.0.1]/t", true},
                   {"http://127.0.0.1:1@mail.example:8080/token", false},
                   {"http://user@127.0.0.1/t", false},
                   {"http://mail.example/@127.0.0.1", false},
                   {"http://127.0.0.1#@mail.example/t", false},
                   {"http://127.0.0.1.example.org/t", false},
                   {"http://localhost.example/t", false},
                   {"http://127.1/t", false},
                   {"http://[::2]/t", false},
                   {"http://[::1/t", false},
                   {"http://127.0.0.1:99999/t", false},
                   {"http://127.0.0.1\\@mail.example/t", false},
                   {"http://127.0.0.1%2f@mail.example/t", false},
                   {"https://", false},
                   {"ftp://127.0.0.1/t", false}};
  for (const auto& e : endpoints) EXPECT_EQ(IsAllowedEndpoint(e.url), e.allowed) << e.url;
  const std::optional<Url> parsed = ParseUrl("https://a:b@[2001:DB8::1]:8443?x#y");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->userinfo, "a:b");
  EXPECT_EQ(parsed->host, "2001:db8::1");
  EXPECT_EQ(parsed->port, 8443);
  EXPECT_EQ(parsed->target, "/?x#y");
  EXPECT_EQ(EndpointHost("https://id.example.org:8443/authorize"), "id.example.org");

  const std::vector<std::map<std::string, std::string>> refused = {
      {{"Anmeldung", "Zertifikat"}},
      {{"Anmeldung", "OAuth2"}},  // no client id
      {{"Anmeldung", "OAuth2"}, {"OAuth2-Client-ID", "abc"}, {"OAuth2-Mandant", "a/b?x"}},
      {{"Anmeldung", "OAuth2"}, {"OAuth2-Client-ID", "abc"}, {"OAuth2-Anbieter", "Google"}},
      {{"Anmeldung", "OAuth2"}, {"OAuth2-Client-ID", "abc"}, {"OAuth2-Anbieter", "Eigener"}},
      {{"Anmeldung", "OAuth2"},
       {"OAuth2-Client-ID", "abc"},
       {"OAuth2-Token", "http://login.example.org/token"}},
      {{"Anmeldung", "OAuth2"},
       {"OAuth2-Client-ID", "abc"},
       {"OAuth2-Token", "http://127.0.0.1.example.org/token"}},
  };
  for (const auto& values : refused) {
    try {
      ReadOAuthConfig(Settings(values));
      ADD_FAILURE() << "accepted: " << values.begin()->second;
    } catch (const AppError& e) {
      EXPECT_EQ(e.Number(), kOAuthBadSetting);
    }
  }
}

TEST(Authorization, UrlCarriesPkceStateAndTheLoopbackRedirect) {
  OAuthConfig c;
  c.provider = kProviderEigener;
  c.authorizeUrl = "https://id.example.org/authorize?tenant=1";
  c.clientId = "desk app";
  c.scope = "imap offline_access";
  const PkcePair p{"v", "chal", "st"};
  EXPECT_EQ(AuthorizationUrl(c, "http://127.0.0.1:50123/", p),
            "https://id.example.org/authorize?tenant=1&response_type=code&client_id=desk%20app"
            "&redirect_uri=http%3A%2F%2F127.0.0.1%3A50123%2F&scope=imap%20offline_access"
            "&state=st&code_challenge=chal&code_challenge_method=S256");
}

TEST(Authorization, RedirectsAreTakenOnlyWithOurState) {
  using K = Redirect::Kind;
  struct Case {
    const char* head;
    K kind;
    const char* value;
  } cases[] = {
      {"GET /?code=abc%2Fd+e&state=S1 HTTP/1.1\r\nHost: x\r\n\r\n", K::Code, "abc/d e"},
      {"GET /?state=S1&code=c HTTP/1.1\r\n\r\n", K::Code, "c"},
      {"GET /?code=c&state=S2 HTTP/1.1\r\n\r\n", K::Foreign, ""},
      {"GET /?code=c HTTP/1.1\r\n\r\n", K::Foreign, ""},
      {"GET /?code=c&state=S HTTP/1.1\r\n\r\n", K::Foreign, ""},
      {"GET /?error=access_denied&error_description=Nein%0D%0A&state=S1 HTTP/1.1\r\n\r\n", K::Error,
       "access_denied: Nein  "},
      {"GET /?error=access_denied&state=S9 HTTP/1.1\r\n\r\n", K::Foreign, ""},
      {"GET /favicon.ico HTTP/1.1\r\n\r\n", K::Unrelated, ""},
      {"GET / HTTP/1.1\r\n\r\n", K::Unrelated, ""},
      {"POST /?code=c&state=S1 HTTP/1.1\r\n\r\n", K::Unrelated, ""},
      {"GET /other?code=c&state=S1 HTTP/1.1\r\n\r\n", K::Unrelated, ""},
      // RFC 6749 3.1: a repeated parameter, even with our state, is someone else's.
      {"GET /?code=c&state=S1&state=S1 HTTP/1.1\r\n\r\n", K::Foreign, ""},
      {"GET /?code=x&code=c&state=S1 HTTP/1.1\r\n\r\n", K::Foreign, ""},
      {"GET /?state=S1&state=S2 HTTP/1.1\r\n\r\n", K::Foreign, ""},
      {"GET /?error=a&error=access_denied&state=S1 HTTP/1.1\r\n\r\n", K::Foreign, ""},
  };
  for (const Case& c : cases) {
    const Redirect r = ParseRedirect(c.head, "S1");
    EXPECT_EQ(r.kind, c.kind) << c.head;
    EXPECT_EQ(r.kind == K::Error ? r.error : r.code, r.kind == K::Foreign ? "" : c.value) << c.head;
  }
  EXPECT_NE(RedirectPage(true).find("Sie können dieses Fenster jetzt schließen"),
            std::string::npos);
}

TEST(TokenEndpoint, AnswersOfTheProvider) {
  const TokenGrant g = ParseTokenResponse(
      {200,
       R"({"access_token":"at-1","token_type":"Bearer","expires_in":"3599",)"
       R"("refresh_token":"rt-2","id_token":"x.eyJwcmVmZXJyZWRfdXNlcm5hbWUiOiJlbXBmYW5nQGZpcm1hLmRlIn0.y"})"});
  EXPECT_EQ(g.accessToken, "at-1");
  EXPECT_EQ(g.refreshToken, "rt-2");
  EXPECT_EQ(g.expiresIn, 3599);
  EXPECT_EQ(g.account, "empfang@firma.de");

  struct Case {
    int status;
    const char* body;
    std::int32_t number;
  } cases[] = {
      {400, R"({"error":"invalid_grant","error_description":"AADSTS700082: expired"})",
       kOAuthSignInRequired},
      {400, R"({"error":"invalid_client"})", kOAuthProviderError},
      {401, "<html>proxy</html>", kOAuthProviderError},
      {200, "{}", kOAuthProviderError},
      {200, R"({"access_token":"a b"})", kOAuthProviderError},
      {200, R"({"access_token":"a","token_type":"mac"})", kOAuthProviderError},
      {503, "", kNetUnreachable},
  };
  for (const Case& c : cases) {
    try {
      ParseTokenResponse({c.status, c.body});
      ADD_FAILURE() << c.body;
    } catch (const AppError& e) {
      EXPECT_EQ(e.Number(), c.number) << c.body;
      EXPECT_EQ(e.Description().find("rt-"), std::string::npos);
    }
  }
  // The lifetime, however it is written, within 0 and a day before anything computes with it.
  const struct {
    const char* value;
    std::int64_t seconds;
  } lifetimes[] = {{"9223372036854775807", kMaxExpiresIn},
                   {"18446744073709551615", kMaxExpiresIn},
                   {"-5", 0},
                   {"\"99999999999999999999\"", kMaxExpiresIn},
                   {"1e300", 0},
                   {"\"12x\"", 0},
                   {"3600", 3600},
                   {"\" 60 \"", 60}};
  for (const auto& l : lifetimes) {
    const TokenGrant lived = ParseTokenResponse(
        {200, std::string(R"({"access_token":"a","expires_in":)") + l.value + "}"});
    EXPECT_EQ(lived.expiresIn, l.seconds) << l.value;
  }
  OAuthConfig config;
  config.clientId = "id";
  EXPECT_EQ(RefreshRequestBody(config, "r+t/="),
            "grant_type=refresh_token&refresh_token=r%2Bt%2F%3D&client_id=id");
}

// The real listener of this platform: idle connections, more than are served at once, and a
// forged redirect come before the browser's; the genuine one still signs in within moments.
TEST(OAuthLoopback, IdleAndForeignConnectionsCannotHoldTheRedirect) {
  FakeRegistry hive;
  SettingsStore settings(hive);
  FakeHttpClient http;
  http.answers.push_back({200, R"({"access_token":"at-1","refresh_token":"rt-1"})"});
  FakeCrypto crypto;
  FakeBrowser browser;
  FakeSignInViewFactory views;
  std::string foreignReply, genuineReply;
  std::thread others;
  browser.onOpen = [&](const std::string& url) {
    const std::size_t p = url.find("127.0.0.1%3A") + 12;
    const int port = std::stoi(url.substr(p, url.find('%', p) - p));
    const std::size_t s = url.find("&state=") + 7;
    const std::string state = url.substr(s, url.find('&', s) - s);
    others = std::thread([&foreignReply, &genuineReply, port, state] {
      auto connect = [port] {
        std::unique_ptr<Transport> t = MakeSocketTransport();
        t->Connect("127.0.0.1", port, 5000);
        return t;
      };
      auto ask = [&](const std::string& request, std::string& reply) {
        std::unique_ptr<Transport> t = connect();
        t->Send(request, 5000);
        char buffer[4096];
        try {
          while (std::size_t n = t->Receive(buffer, sizeof buffer, 5000)) reply.append(buffer, n);
        } catch (const AppError&) {
          // the listener closed the connection
        }
      };
      std::vector<std::unique_ptr<Transport>> idle;
      for (int i = 0; i < 40; ++i) idle.push_back(connect());
      ask("GET /?code=c1&state=forged HTTP/1.1\r\n\r\n", foreignReply);
      ask("GET /?code=c1&state=" + state + " HTTP/1.1\r\n\r\n", genuineReply);
    });
  };
  OAuthSession session(
      {settings, http, crypto, browser, [] { return MakeLoopbackListener(); }, views, {}, {}},
      kSettingsApp);
  OAuthConfig config;
  config.enabled = true;
  config.provider = kProviderEigener;
  config.clientId = "desk";
  config.authorizeUrl = "http://127.0.0.1:1/authorize";
  config.tokenUrl = "http://127.0.0.1:1/token";
  session.Configure(config);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NO_THROW(session.SignIn(20000));
  const auto took = std::chrono::steady_clock::now() - start;
  if (others.joinable()) others.join();
  EXPECT_LT(took, std::chrono::seconds(4));
  EXPECT_NE(foreignReply.find("400 Bad Request"), std::string::npos);
  EXPECT_NE(genuineReply.find("200 OK"), std::string::npos);
  ASSERT_EQ(http.requests.size(), 1u);
  EXPECT_EQ(session.AccessToken(), "at-1");
}

// The token request of this platform (libcurl, or WinHTTP under Wine) against an endpoint that
// sends too much, trickles, or is given up on: bounded as a whole, ended on "Abbrechen".
TEST(OAuthHttp, TheWholeRequestIsBoundedInTimeAndSize) {
  using Clock = std::chrono::steady_clock;
  const std::string chunk(65536, 'x');
  const struct Case {
    const char* what;
    std::function<void(Transport&)> answer;
    int timeoutMs;
    bool cancelAfter300Ms;
    std::int32_t error;  // 0: answered
  } cases[] = {
      {"small",
       [](Transport& t) { t.Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}", 2000); }, 5000,
       false, 0},
      {"chunked 2 MB",
       [&](Transport& t) {
         t.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", 2000);
         for (int i = 0; i < 32; ++i) t.Send("10000\r\n" + chunk + "\r\n", 2000);
         t.Send("0\r\n\r\n", 2000);
       },
       10000, false, kNetFailure},
      {"trickle",
       [](Transport& t) {
         t.Send("HTTP/1.1 200 OK\r\nContent-Length: 30\r\n\r\n", 2000);
         for (int i = 0; i < 30; ++i) {
           std::this_thread::sleep_for(std::chrono::milliseconds(100));
           t.Send("x", 2000);
         }
       },
       800, false, kNetTimedOut},
      {"trickle, Abbrechen",
       [](Transport& t) {
         t.Send("HTTP/1.1 200 OK\r\nContent-Length: 30\r\n\r\n", 2000);
         for (int i = 0; i < 30; ++i) {
           std::this_thread::sleep_for(std::chrono::milliseconds(100));
           t.Send("x", 2000);
         }
       },
       20000, true, kNetAborted},
  };
  for (const Case& c : cases) {
    std::unique_ptr<LoopbackListener> listener = MakeLoopbackListener();
    const int port = listener->Listen();
    std::thread server([&] {
      std::unique_ptr<Transport> t = listener->Accept(5000, {});
      if (!t) return;
      try {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
          const std::size_t n = t->Receive(buffer, sizeof buffer, 5000);
          if (n == 0) return;
          head.append(buffer, n);
        }
        c.answer(*t);
      } catch (const AppError&) {
        // the client gave up
      }
    });
    const auto start = Clock::now();
    const WaitPump goOn = [&] {
      return !c.cancelAfter300Ms || Clock::now() - start < std::chrono::milliseconds(300);
    };
    std::int32_t error = 0;
    try {
      const HttpResponse r = MakeHttpClient()->PostForm(
          "http://127.0.0.1:" + std::to_string(port) + "/token", "a=b", c.timeoutMs, goOn);
      EXPECT_EQ(r.status, 200) << c.what;
    } catch (const AppError& e) {
      error = e.Number();
    }
    const auto took = Clock::now() - start;
    listener->Close();
    server.join();
    EXPECT_EQ(error, c.error) << c.what;
    EXPECT_LT(took, std::chrono::milliseconds(c.error == kNetFailure ? 10000 : 2000)) << c.what;
  }
}

}  // namespace
}  // namespace pw
