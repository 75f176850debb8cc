// The OAuth2 sign-in of the desk, walked end to end on the in-memory platform: first sign-in
// in the browser, a restart, a silent renewal, a refused mailbox, a revoked refresh token.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "oauth/OAuthSession.h"
#include "substitute/FakeOAuthPlatform.h"
#include "support/MainWindowRig.h"

namespace pw::test {
namespace {

using Texts = std::vector<std::string>;

// A provider after RFC 6749: one code, refresh tokens that rotate, revocation.
struct Provider {
  int issued = 0;
  std::string expiresIn = "600";
  std::set<std::string> liveRefresh;
  HttpResponse Answer(const std::string& body) {
    auto field = [&](const std::string& name) {
      const std::size_t at = body.find(name + "=");
      if (at == std::string::npos) return std::string();
      const std::size_t from = at + name.size() + 1;
      return body.substr(from, body.find('&', from) - from);
    };
    if (field("grant_type") == "authorization_code") {
      if (field("code") != "c1" || field("code_verifier").size() != 43)
        return {400, R"({"error":"invalid_grant"})"};
    } else if (!liveRefresh.erase(field("refresh_token"))) {
      return {400, R"({"error":"invalid_grant","error_description":"revoked"})"};
    }
    ++issued;
    const std::string n = std::to_string(issued);
    liveRefresh.insert("rt-" + n);
    return {200, R"({"access_token":"at-)" + n + R"(","token_type":"Bearer","expires_in":)" +
                     expiresIn +
                     ","
                     R"("refresh_token":"rt-)" +
                     n + R"("})"};
  }
};

struct OAuthRig : MainWindowRig {
  // Shared by both program runs of a test, as the provider and the browser would be.
  struct World {
    Provider provider;
    FakeHttpClient http;
    FakeBrowser browser;
    FakeCrypto crypto;
    FakeLoopbackListener::Shared loopback;
    bool consent = true;
    std::int64_t now = 1000;
    World() {
      http.handler = [this](const std::string& body) { return provider.Answer(body); };
      // The person consents: the browser comes back to the listener with the code.
      browser.onOpen = [this](const std::string& url) {
        const std::size_t at = url.find("&state=") + 7;
        if (consent) {
          loopback.requests.push_back(
              "GET /?code=c1&state=" + url.substr(at, url.find('&', at) - at) +
              " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        }
      };
    }
  };

  World& w;
  FakeSignInViewFactory views;
  OAuthSession session{{settings,
                        w.http,
                        w.crypto,
                        w.browser,
                        [this] { return std::make_unique<FakeLoopbackListener>(w.loopback); },
                        views,
                        {},
                        [this] { return w.now; }},
                       kSettingsApp};

  OAuthRig(World& world, std::shared_ptr<FakeRegistry> hive)
      : MainWindowRig(std::move(hive)), w(world) {
    globals.AttendanceAsked = true;
    globals.ImapServerName = "localhost";
    fm.Tray().AddIcon();
    fm.AttachOAuth(session);
    auto server = [&](const char* name, const char* value) {
      settings.SaveSetting(kSettingsApp, "Server", name, value);
    };
    server("Anmeldung", "OAuth2");
    server("OAuth2-Anbieter", "Eigener");
    server("OAuth2-Client-ID", "desk");
    server("OAuth2-Autorisierung", "http://127.0.0.1:8400/authorize");
    server("OAuth2-Token", "http://127.0.0.1:8400/token");
  }
  // Every token the provider issued opens both mailboxes.
  void Mailboxes() {
    imap.accounts["empfang@firma.de"].total = 5;
    imap.accounts["empfang@firma.de"].seen = "1,2";
    imap.accounts["kasse@firma.de"].total = 3;
    imap.accounts["kasse@firma.de"].seen = "1,2,3";
    for (int n = 1; n <= 9; ++n)
      imap.tokenUsers["at-" + std::to_string(n)] = {"empfang@firma.de", "kasse@firma.de"};
  }
  std::string Tip() const { return tray.icon->tip; }
  // The first sign-in of the log, the timeout set before it left out.
  std::string FirstSignIn() const {
    for (const std::string& line : imap.log) {
      if (line.rfind("SignIn", 0) == 0) return line;
    }
    return {};
  }
};

TEST(OAuthSignIn, DeskSignsInOnceAndStaysSignedIn) {
  OAuthRig::World world;
  auto hive = std::make_shared<FakeRegistry>();
  {
    OAuthRig r(world, hive);
    r.AddAccount("Empfang", "empfang@firma.de", "", 5, "1,2");
    r.AddAccount("Kasse", "kasse@firma.de", "", 3, "1,2,3");
    r.Mailboxes();
    r.fm.mRefresh_Click();
    // One sign-in in the browser fills the tree for both mailboxes.
    EXPECT_EQ(world.browser.opened.size(), 1u);
    EXPECT_NE(world.browser.opened[0].find("code_challenge_method=S256"), std::string::npos);
    // An own provider is named by the host the browser goes to.
    EXPECT_EQ(r.views.record.texts[0], "Anmeldung bei 127.0.0.1 im Browser ...");
    EXPECT_EQ(r.views.record.closed, 1);
    EXPECT_NE(world.loopback.replies[0].find("Sie können dieses Fenster jetzt schließen"),
              std::string::npos);
    EXPECT_EQ(r.TreeTexts(),
              (Texts{"Empfang", "Nachrichten ungelesen (3)", "Nachrichten gesamt (5)", "Kasse",
                     "Nachrichten ungelesen (0)", "Nachrichten gesamt (3)"}));
    EXPECT_EQ(r.FirstSignIn(), "SignInWithToken localhost empfang@firma.de at-1");
    // The refresh token is stored, protected: never in clear.
    const std::string stored = r.settings.GetSetting(kSettingsApp, "Server", kStoredTokenValue, "");
    EXPECT_FALSE(stored.empty());
    EXPECT_EQ(stored.find("rt-1"), std::string::npos);
    EXPECT_TRUE(r.dialogs.boxes.empty());
  }
  // A restart signs in silently with the stored token, and the rotated one replaces it.
  OAuthRig r(world, hive);
  r.Mailboxes();
  r.fm.mRefresh_Click();
  EXPECT_EQ(world.browser.opened.size(), 1u);
  EXPECT_EQ(r.FirstSignIn(), "SignInWithToken localhost empfang@firma.de at-2");
  EXPECT_EQ(world.provider.liveRefresh, (std::set<std::string>{"rt-2"}));
  // Within its lifetime the access token is used again; near its end it is renewed silently.
  r.imap.log.clear();
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.FirstSignIn(), "SignInWithToken localhost empfang@firma.de at-2");
  world.now += 500;
  world.provider.expiresIn = "9223372036854775807";  // "for ever": taken as a day, no overflow
  r.imap.log.clear();
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.FirstSignIn(), "SignInWithToken localhost empfang@firma.de at-3");
  EXPECT_EQ(world.browser.opened.size(), 1u);
  EXPECT_EQ(r.tree.nodes.size(), 6u);
  world.now += 20 * 3600;
  r.fm.mRefresh_Click();
  EXPECT_EQ(world.provider.issued, 3);
  world.now += 4 * 3600;
  r.fm.mRefresh_Click();
  EXPECT_EQ(world.provider.issued, 4);
  world.provider.expiresIn = "600";

  // A mailbox the desk may not open is reported once; the other goes on.
  r.imap.tokenUsers["at-4"].erase("kasse@firma.de");
  r.fm.mRefresh_Click();
  r.fm.mRefresh_Click();
  ASSERT_EQ(r.dialogs.boxes.size(), 1u);
  EXPECT_EQ(r.dialogs.boxes[0].title, "Postfach nicht zugänglich");
  EXPECT_NE(r.dialogs.boxes[0].text.find("Error#12301"), std::string::npos);
  EXPECT_EQ(r.tree.nodes.size(), 3u);
}

TEST(OAuthSignIn, RevokedRefreshTokenPromptsOnceAndShowsTheTrayState) {
  OAuthRig::World world;
  OAuthRig r(world, std::make_shared<FakeRegistry>());
  r.AddAccount("Empfang", "empfang@firma.de", "", 5);
  r.AddAccount("Kasse", "kasse@firma.de", "", 3);
  r.Mailboxes();
  r.fm.mRefresh_Click();
  ASSERT_EQ(r.tree.nodes.size(), 6u);

  world.provider.liveRefresh.clear();  // revoked at the provider
  world.consent = false;
  r.views.record.cancel = true;  // the person cancels the sign-in window
  world.now += 600;
  r.fm.mRefresh_Click();
  r.fm.mRefresh_Click();
  EXPECT_EQ(world.browser.opened.size(), 2u);  // one prompt, not one per run or account
  EXPECT_EQ(r.Tip(), "Anmeldung erforderlich");
  EXPECT_EQ(r.tray.icon->hIcon, r.window.StopPicture());
  EXPECT_TRUE(r.dialogs.boxes.empty());
  EXPECT_EQ(r.settings.GetSetting(kSettingsApp, "Server", kStoredTokenValue, ""), "");
  EXPECT_EQ(r.status.PanelText(0), "Suchlauf beendet ...");

  // "Anmelden ..." signs in again; the run that follows puts the tray back.
  world.consent = true;
  r.views.record.cancel = false;
  r.fm.mAnmelden_Click();
  EXPECT_EQ(world.browser.opened.size(), 3u);
  EXPECT_EQ(r.Tip(), "Postwacht bei Ankunft neuer Mails!");
  EXPECT_EQ(r.tree.nodes.size(), 6u);

  // Other settings: the stored token is dropped, and with "Kennwort" nothing is kept.
  r.settings.SaveSetting(kSettingsApp, "Server", "Anmeldung", "Kennwort");
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.settings.GetSetting(kSettingsApp, "Server", kStoredTokenValue, ""), "");
}

TEST(OAuthSignIn, OthersOnThePortCannotBreakTheSignInNorTheCancelWait) {
  OAuthRig::World world;
  OAuthRig r(world, std::make_shared<FakeRegistry>());
  r.AddAccount("Empfang", "empfang@firma.de", "", 5);
  r.Mailboxes();
  // Before the browser comes back: a favicon, a forged state, our state and code repeated (the
  // last would win), and more idle connections than are served at once. Each is answered or
  // dropped; the genuine redirect still signs in.
  const auto consenting = world.browser.onOpen;
  world.browser.onOpen = [&](const std::string& url) {
    const std::size_t at = url.find("&state=") + 7;
    const std::string state = url.substr(at, url.find('&', at) - at);
    auto& q = world.loopback.requests;
    q.push_back("GET /favicon.ico HTTP/1.1\r\n\r\n");
    q.push_back("GET /?code=c1&state=forged HTTP/1.1\r\n\r\n");
    q.push_back("GET /?code=x&state=" + state + "&code=c1&state=" + state + " HTTP/1.1\r\n\r\n");
    for (int i = 0; i < 40; ++i) q.push_back(kSilent);
    consenting(url);
  };
  r.fm.mRefresh_Click();
  ASSERT_EQ(world.http.requests.size(), 1u);
  EXPECT_NE(world.http.requests[0].find("code=c1&"), std::string::npos);
  EXPECT_NE(world.loopback.replies[0].find("404"), std::string::npos);
  for (int i : {1, 2}) EXPECT_NE(world.loopback.replies[i].find("400"), std::string::npos);
  EXPECT_NE(world.loopback.replies.back().find("200 OK"), std::string::npos);
  EXPECT_TRUE(r.dialogs.boxes.empty());
  EXPECT_EQ(r.tree.nodes.size(), 3u);

  // "Abbrechen" while the token request is under way ends it at once, without a message.
  world.browser.onOpen = consenting;
  world.http.beforeAnswer = [&] { r.views.record.cancel = true; };
  r.fm.mAnmelden_Click();
  EXPECT_EQ(world.http.requests.size(), 2u);
  EXPECT_NE(world.loopback.replies.back().find("400"), std::string::npos);
  EXPECT_TRUE(r.dialogs.boxes.empty());
  world.http.beforeAnswer = nullptr;
  r.views.record.cancel = false;

  // The token endpoint out of reach counts as the server out of reach.
  world.http.handler = nullptr;
  r.fm.mAnmelden_Click();
  EXPECT_EQ(r.Tip(), "Kann Server nicht erreichen!");
  EXPECT_TRUE(r.dialogs.boxes.empty());
}

}  // namespace
}  // namespace pw::test
