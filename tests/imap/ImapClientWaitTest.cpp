// The IMAP client when SignOut comes from an event handled while one of its calls waits.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "imap/ImapClient.h"
#include "imap/ImapErrors.h"
#include "platform/Transport.h"

namespace pw {
namespace {

// A server whose replies come one per wait; a wait first runs the pending event, as the
// transport's pump would, and a Close() made there ends the wait like the real transports.
class PumpedServer {
 public:
  std::deque<std::string> replies;
  std::function<void()> duringNextWait;
  std::string sent;
  int connects = 0;

  class Connection : public Transport {
   public:
    explicit Connection(PumpedServer& server) : server_(server) {}
    void Connect(const std::string&, int, int) override { ++server_.connects; }
    void Send(std::string_view data, int) override {
      if (closed_) throw NetError(kNetClosed);
      server_.sent.append(data);
    }
    std::size_t Receive(char* buffer, std::size_t capacity, int) override {
      if (closed_) throw NetError(kNetClosed);
      if (auto event = std::exchange(server_.duringNextWait, nullptr)) {
        event();
        if (closed_) throw NetError(kNetAborted);
      }
      if (server_.replies.empty()) throw NetError(kNetTimedOut);
      std::string line = server_.replies.front() + "\r\n";
      server_.replies.pop_front();
      EXPECT_LE(line.size(), capacity);
      std::memcpy(buffer, line.data(), line.size());
      return line.size();
    }
    void Close() override { closed_ = true; }

   private:
    PumpedServer& server_;
    bool closed_ = false;
  };
};

class ImapWait : public ::testing::Test {
 protected:
  PumpedServer server;
  ImapClient client{[this] { return std::make_unique<PumpedServer::Connection>(server); }};

  std::int32_t ErrorOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const AppError& e) {
      return e.Number();
    }
    return 0;
  }
  void SignIn() { client.SignIn("imap.example.org", "anna", "geheim"); }
  void GreetAndLogin() {
    server.replies = {"* OK [CAPABILITY IMAP4rev1 LITERAL+] ready", "A1 OK Logged in"};
  }
};

TEST_F(ImapWait, SignOutDuringTheSignInEndsItAndTheNextSignInWorks) {
  server.replies = {"* OK [CAPABILITY IMAP4rev1] ready"};
  server.duringNextWait = [&] { client.SignOut(); };
  EXPECT_EQ(ErrorOf([&] { SignIn(); }), kNetAborted);
  EXPECT_EQ(server.sent, "");  // no LOGIN, no LOGOUT on the cut connection
  EXPECT_EQ(ErrorOf([&] { client.Mailbox("INBOX"); }), kImapNotSignedIn);

  GreetAndLogin();
  EXPECT_EQ(ErrorOf([&] { SignIn(); }), 0);
  EXPECT_EQ(server.connects, 2);
}

TEST_F(ImapWait, SignOutDuringTheLoginReplyEndsTheSignIn) {
  GreetAndLogin();
  // The first wait reads the greeting; the second, for the answer to LOGIN, is cut.
  server.duringNextWait = [&] { server.duringNextWait = [&] { client.SignOut(); }; };
  EXPECT_EQ(ErrorOf([&] { SignIn(); }), kNetAborted);
  EXPECT_EQ(server.sent, "A1 LOGIN \"anna\" \"geheim\"\r\n");
}

TEST_F(ImapWait, SignOutDuringASearchEndsItAndLeavesNobodySignedIn) {
  GreetAndLogin();
  SignIn();
  server.replies = {"* 3 EXISTS", "A2 OK [READ-WRITE] SELECT done"};
  server.duringNextWait = [&] { client.SignOut(); };
  std::string out = "unchanged";
  EXPECT_EQ(ErrorOf([&] { client.Mailbox("INBOX").Search("RECENT", out, 0); }), kNetAborted);
  EXPECT_EQ(out, "unchanged");
  EXPECT_EQ(ErrorOf([&] { client.Mailbox("INBOX"); }), kImapNotSignedIn);
  // The cut session is let go by the next SignOut, without a LOGOUT on a closed connection.
  const std::string sentBefore = server.sent;
  client.SignOut();
  EXPECT_EQ(server.sent, sentBefore);
}

TEST_F(ImapWait, SignOutSendsTheLogoutWithoutAWaitAnEventCouldCut) {
  GreetAndLogin();
  SignIn();
  bool served = false;
  server.duringNextWait = [&] { served = true; };
  EXPECT_EQ(ErrorOf([&] { client.SignOut(); }), 0);
  EXPECT_FALSE(served);
  EXPECT_NE(server.sent.find("LOGOUT\r\n"), std::string::npos);
  EXPECT_EQ(ErrorOf([&] { client.SignOut(); }), 0);  // nothing left to sign out
}

}  // namespace
}  // namespace pw
