// Transcripts of the check's burst: SELECT and every search in one write, results matched by
// tag (ESEARCH) or awaited one by one, LOGOUT without waiting, and one deadline per call.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "accounts/InboxMemory.h"
#include "app/NewMailSignal.h"
#include "imap/ImapClient.h"
#include "imap/ImapErrors.h"
#include "imap/ImapWire.h"
#include "imap/ScriptedTransport.h"
#include "substitute/FakeRegistry.h"

namespace pw {
namespace {

using test::ScriptedTransport;

constexpr char kGreeting[] = "* OK [CAPABILITY IMAP4rev1 LITERAL+ AUTH=PLAIN] Dovecot ready.";

class ImapPipeline : public ::testing::Test {
 protected:
  ScriptedTransport server;
  ImapClient client{[this] { return server.Handle(); }};

  ScriptedTransport& SignedIn(const char* capabilities = "IMAP4rev1 LITERAL+ ESEARCH") {
    return server.Server(kGreeting)
        .Client("A1 LOGIN \"anna\" \"geheim\"")
        .Server(std::string("A1 OK [CAPABILITY ") + capabilities + "] Logged in");
  }
  ScriptedTransport& Selected() {
    return server.Server("* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)")
        .Server("* 12 EXISTS")
        .Server("* 2 RECENT")
        .Server("* OK [UIDVALIDITY 1700000000] UIDs valid")
        .Server("* OK [UIDNEXT 43] Predicted next UID")
        .Server("A2 OK [READ-WRITE] Select completed (0.001 + 0.000 secs).");
  }
  std::string Search(const std::string& key) {
    std::string out = "unchanged";
    client.Mailbox("INBOX").Search(key, out, 0);
    return out;
  }
  std::string UidSearch(const std::string& criteria) {
    std::string out = "unchanged";
    client.Mailbox("INBOX").UidSearch(criteria, out);
    return out;
  }
  template <typename F>
  std::int32_t ErrorOf(F&& call) {
    try {
      call();
    } catch (const AppError& e) {
      description = e.Description();
      return e.Number();
    }
    return 0;
  }
  void SignInAndAnnounce() {
    client.SignIn("imap.example.org", "anna", "geheim");
    client.PostSignIn();
    client.Mailbox("INBOX").Announce({"RECENT", "SEEN"}, "UID 40:* UNSEEN");
  }
  std::string description;
};

TEST_F(ImapPipeline, WithEsearchTheCheckTakesThreeTurnsInAnyPacketSizes) {
  for (std::size_t chunk : {std::size_t{1} << 20, std::size_t{7}, std::size_t{1}}) {
    ScriptedTransport script;
    ImapClient fresh([&] { return script.Handle(); });
    script.Server(kGreeting)
        .Client("A1 LOGIN \"anna\" \"geheim\"")
        .Server("A1 OK [CAPABILITY IMAP4rev1 LITERAL+ ESEARCH] Logged in")
        .ClientRaw(
            "A2 SELECT \"INBOX\"\r\nA3 SEARCH RETURN (ALL) RECENT\r\n"
            "A4 SEARCH RETURN (ALL) SEEN\r\nA5 UID SEARCH RETURN (ALL) UID 40:* UNSEEN\r\n")
        .ServerRaw(
            "* 12 EXISTS\r\n* 2 RECENT\r\n* OK [UIDVALIDITY 1700000000] UIDs valid\r\n"
            "* OK [UIDNEXT 43] Predicted next UID\r\nA2 OK [READ-WRITE] Select completed.\r\n"
            "* ESEARCH (TAG \"A3\") ALL 11:12\r\nA3 OK Search completed.\r\n"
            "* ESEARCH (TAG \"A4\") ALL 1:5,7:9\r\nA4 OK Search completed.\r\n"
            "* ESEARCH (TAG \"A5\") UID ALL 41:42\r\nA5 OK Search completed.\r\n")
        .Client("A6 LOGOUT");
    script.SetChunk(chunk);
    fresh.SignIn("imap.example.org", "anna", "geheim");
    fresh.PostSignIn();
    fresh.Mailbox("INBOX").Announce({"RECENT", "SEEN"}, "UID 40:* UNSEEN");
    std::string recent, seen, uids;
    fresh.Mailbox("INBOX").Search("RECENT", recent, 0);
    fresh.Mailbox("INBOX").Search("SEEN", seen, 0);
    fresh.Mailbox("INBOX").UidSearch("UID 40:* UNSEEN", uids);
    EXPECT_EQ(recent, "11,12");
    EXPECT_EQ(seen, "1,2,3,4,5,7,8,9");
    EXPECT_EQ(uids, "41,42");
    EXPECT_EQ(fresh.Mailbox("INBOX").UidValidity(), 1700000000u);
    EXPECT_EQ(fresh.Mailbox("INBOX").UidNext(), 43u);
    EXPECT_EQ(fresh.Mailbox("INBOX").MessageCount(), 12);
    fresh.SignOut();
    EXPECT_EQ(script.Problems(), "") << chunk;
    EXPECT_TRUE(script.Closed());
    // greeting, LOGIN, the burst; LOGOUT is not waited for
    EXPECT_EQ(fresh.RoundTrips(), 3) << chunk;
  }
}

TEST_F(ImapPipeline, ResultsGoToTheCommandTheirTagNames) {
  SignedIn()
      .Client("A2 SELECT \"INBOX\"")
      .Client("A3 SEARCH RETURN (ALL) RECENT")
      .Client("A4 SEARCH RETURN (ALL) SEEN")
      .Client("A5 UID SEARCH RETURN (ALL) UID 40:* UNSEEN")
      .Server("* ESEARCH (TAG \"A5\") UID")
      .Server("A5 OK done")
      .Server("* ESEARCH (TAG \"A4\") ALL 3,1:2")
      .Server("A4 OK done");
  Selected().Server("* 13 EXISTS").Server("* ESEARCH (TAG \"A3\")").Server("A3 OK done");
  SignInAndAnnounce();
  EXPECT_EQ(Search("SEEN"), "3,1,2");
  EXPECT_EQ(Search("RECENT"), "");
  EXPECT_EQ(UidSearch("UID 40:* UNSEEN"), "");
  EXPECT_EQ(client.Mailbox("INBOX").MessageCount(), 13);
  EXPECT_EQ(server.Problems(), "");
}

TEST_F(ImapPipeline, AResultThatNamesNoSearchOfOursIsNotGuessedAt) {
  for (const char* stray : {"* ESEARCH ALL 1:3", "* ESEARCH (TAG \"A2\") ALL 1",
                            "* ESEARCH (TAG \"B7\") ALL 1", "* ESEARCH (TAG \"A3\") ALL 0:2"}) {
    ScriptedTransport script;
    ImapClient fresh([&] { return script.Handle(); });
    script.Server(kGreeting)
        .Client("A1 LOGIN \"anna\" \"geheim\"")
        .Server("A1 OK [CAPABILITY IMAP4rev1 ESEARCH] Logged in")
        .Client("A2 SELECT \"INBOX\"")
        .Client("A3 SEARCH RETURN (ALL) RECENT")
        .Server(stray);
    fresh.SignIn("h", "anna", "geheim");
    EXPECT_EQ(ErrorOf([&] {
                std::string out;
                fresh.Mailbox("INBOX").Search("RECENT", out, 0);
              }),
              kImapMalformedReply)
        << stray;
    EXPECT_TRUE(script.Closed()) << stray;
  }
}

TEST_F(ImapPipeline, ANoOrBadInTheBurstFailsOnlyItsOwnCommand) {
  SignedIn()
      .Client("A2 SELECT \"INBOX\"")
      .Client("A3 SEARCH RETURN (ALL) RECENT")
      .Client("A4 SEARCH RETURN (ALL) SEEN")
      .Client("A5 UID SEARCH RETURN (ALL) UID 40:* UNSEEN");
  Selected()
      .Server("* ESEARCH (TAG \"A3\") ALL 4")
      .Server("A3 OK done")
      .Server("A4 NO [SERVERBUG] Internal error")
      .Server("A5 BAD Error in IMAP command")
      .Client("A6 LOGOUT");
  SignInAndAnnounce();
  EXPECT_EQ(Search("RECENT"), "4");
  EXPECT_EQ(ErrorOf([&] { Search("SEEN"); }), kImapCommandFailed);
  EXPECT_EQ(description, "Der Server hat den Befehl SEARCH SEEN abgelehnt: Internal error");
  EXPECT_EQ(ErrorOf([&] { UidSearch("UID 40:* UNSEEN"); }), kImapCommandRejected);
  client.SignOut();
  EXPECT_EQ(server.Problems(), "");

  // A refused SELECT is what is reported, not the searches that failed for want of it.
  ScriptedTransport refusing;
  ImapClient second([&] { return refusing.Handle(); });
  refusing.Server(kGreeting)
      .Client("A1 LOGIN \"anna\" \"geheim\"")
      .Server("A1 OK [CAPABILITY IMAP4rev1 ESEARCH] Logged in")
      .Client("A2 SELECT \"INBOX\"")
      .Client("A3 SEARCH RETURN (ALL) RECENT")
      .Client("A4 SEARCH RETURN (ALL) SEEN")
      .Server("A2 NO Mailbox doesn't exist: INBOX")
      .Server("A3 BAD No mailbox selected")
      .Server("A4 BAD No mailbox selected");
  second.SignIn("h", "anna", "geheim");
  second.Mailbox("INBOX").Announce({"RECENT", "SEEN"}, "");
  EXPECT_EQ(ErrorOf([&] {
              std::string out;
              second.Mailbox("INBOX").Search("RECENT", out, 0);
            }),
            kImapCommandFailed);
  EXPECT_EQ(description,
            "Der Server hat den Befehl SELECT \"INBOX\" abgelehnt: Mailbox doesn't exist: INBOX");
  EXPECT_EQ(refusing.Problems(), "");
}

TEST_F(ImapPipeline, WithoutEsearchEachSearchIsAwaitedInTurn) {
  SignedIn("IMAP4rev1 LITERAL+").Client("A2 SELECT \"INBOX\"").Client("A3 SEARCH RECENT");
  Selected()
      .Server("* SEARCH 11 12")
      .Server("A3 OK done")
      .Client("A4 SEARCH SEEN")
      .Server("* SEARCH 1 2 3")
      .Server("* SEARCH 4")  // data may come in more than one response
      .Server("A4 OK done")
      .Client("A5 UID SEARCH UID 40:* UNSEEN")
      .Server("* SEARCH 41 42")
      .Server("A5 OK done")
      .Client("A6 LOGOUT");
  SignInAndAnnounce();
  EXPECT_EQ(Search("RECENT"), "11,12");
  EXPECT_EQ(Search("SEEN"), "1,2,3,4");
  EXPECT_EQ(UidSearch("UID 40:* UNSEEN"), "41,42");
  client.SignOut();
  EXPECT_EQ(server.Problems(), "");
  EXPECT_EQ(client.RoundTrips(), 5);
}

TEST_F(ImapPipeline, ServerWithoutUidnextAndAChangedUidValidity) {
  FakeRegistry registry;
  SettingsStore settings(registry);
  settings.SaveSetting(kSettingsApp, kSectionInbox, "Anna", "1600000000 40");
  SignedIn()
      .Client("A2 SELECT \"INBOX\"")
      .Client("A3 SEARCH RETURN (ALL) RECENT")
      .Client("A4 SEARCH RETURN (ALL) SEEN")
      .Client("A5 UID SEARCH RETURN (ALL) UID 40:* UNSEEN")
      .Server("* 3 EXISTS")
      .Server("* OK [UIDVALIDITY 1700000000] UIDs valid")
      .Server("* OK [UIDNEXT 4] Predicted next UID")
      .Server("A2 OK [READ-WRITE] Select completed")
      .Server("* ESEARCH (TAG \"A3\")")
      .Server("A3 OK done")
      .Server("* ESEARCH (TAG \"A4\")")
      .Server("A4 OK done")
      .Client("A6 LOGOUT");  // the UID search's answer means nothing now and is not awaited
  client.SignIn("h", "anna", "geheim");
  NewMailSignal signal(settings, "Anna");
  signal.Announce(client.Mailbox("INBOX"));
  EXPECT_EQ(Search("RECENT"), "");
  EXPECT_EQ(Search("SEEN"), "");
  // The mailbox was rebuilt: its old UIDs mean nothing, and the first sight announces nothing.
  EXPECT_FALSE(signal.Decide("", client.Mailbox("INBOX")));
  client.SignOut();
  EXPECT_EQ(settings.GetSetting(kSettingsApp, kSectionInbox, "Anna", ""), "1700000000 4");
  EXPECT_EQ(server.Problems(), "");

  // A server that reports no UIDNEXT: \Recent decides alone and nothing is remembered.
  ScriptedTransport old;
  ImapClient second([&] { return old.Handle(); });
  old.Server(kGreeting)
      .Client("A1 LOGIN \"anna\" \"geheim\"")
      .Server("A1 OK Logged in")
      .Client("A2 SELECT \"INBOX\"")
      .Client("A3 SEARCH RECENT")
      .Server("* 3 EXISTS")
      .Server("* OK [UIDVALIDITY 1700000000] UIDs valid")
      .Server("A2 OK [READ-WRITE] Select completed")
      .Server("* SEARCH 3")
      .Server("A3 OK done");
  second.SignIn("h", "anna", "geheim");
  NewMailSignal first(settings, "Bernd");
  first.Announce(second.Mailbox("INBOX"));
  std::string recent;
  second.Mailbox("INBOX").Search("RECENT", recent, 0);
  EXPECT_EQ(second.Mailbox("INBOX").UidNext(), 0u);
  EXPECT_TRUE(first.Decide(recent, second.Mailbox("INBOX")));
  EXPECT_EQ(settings.GetSetting(kSettingsApp, kSectionInbox, "Bernd", "-"), "-");
  EXPECT_EQ(old.Problems(), "");
}

// The envelopes of the UIDs after the remembered UIDNEXT ride in the burst; the \Recent path
// without a memory fetches them in one more turn. Malformed ones and unasked flag updates are
// left out, nothing fails.
TEST_F(ImapPipeline, EnvelopesComeInTheBurstWithARememberedUidnext) {
  FakeRegistry registry;
  SettingsStore settings(registry);
  settings.SaveSetting(kSettingsApp, kSectionInbox, "Anna", "1700000000 40");
  const std::string subject = "=?UTF-8?Q?Steuerbescheid_2025?=";
  SignedIn()
      .ClientRaw(
          "A2 SELECT \"INBOX\"\r\nA3 SEARCH RETURN (ALL) RECENT\r\n"
          "A4 SEARCH RETURN (ALL) SEEN\r\nA5 UID SEARCH RETURN (ALL) UID 40:* UNSEEN\r\n"
          "A6 UID FETCH 40:44 (UID ENVELOPE)\r\n")
      .ServerRaw(
          "* 12 EXISTS\r\n* OK [UIDVALIDITY 1700000000] UIDs valid\r\n"
          "* OK [UIDNEXT 43] Predicted next UID\r\nA2 OK [READ-WRITE] Select completed.\r\n"
          "* ESEARCH (TAG \"A3\")\r\nA3 OK done\r\n* ESEARCH (TAG \"A4\") ALL 1:10\r\nA4 OK "
          "done\r\n"
          "* ESEARCH (TAG \"A5\") UID ALL 41:42\r\nA5 OK done\r\n"
          "* 5 FETCH (FLAGS (\\Seen))\r\n"
          "* 11 FETCH (UID 41 ENVELOPE (\"Mon, 7 Dec 2026 09:00:00 +0100\" {" +
          std::to_string(subject.size()) + "}\r\n" + subject +
          " ((\"=?ISO-8859-1?Q?Finanzamt_M=FCnchen?=\" NIL \"poststelle\" \"fa.example\")) "
          "NIL NIL NIL NIL NIL NIL NIL))\r\n"
          "* 12 FETCH (UID 42 ENVELOPE (\"x\" \"y\" 42))\r\nA6 OK Fetch completed.\r\n")
      .Client("A7 LOGOUT");
  client.SignIn("h", "anna", "geheim");
  NewMailSignal signal(settings, "Anna", true);
  signal.Announce(client.Mailbox("INBOX"));
  EXPECT_EQ(Search("RECENT"), "");
  EXPECT_EQ(Search("SEEN"), "1,2,3,4,5,6,7,8,9,10");
  ASSERT_TRUE(signal.Decide("", client.Mailbox("INBOX")));
  const MailNews news = signal.News(client.Mailbox("INBOX"));
  client.SignOut();
  EXPECT_EQ(server.Problems(), "");
  EXPECT_EQ(client.RoundTrips(), 3);
  EXPECT_EQ(news.count, 2u);
  ASSERT_EQ(news.newest.size(), 1u);
  EXPECT_EQ(NewsLines(news), (std::vector<std::string>{"Finanzamt München – Steuerbescheid 2025",
                                                       "… und 1 weitere"}));

  ScriptedTransport first;
  ImapClient fresh([&] { return first.Handle(); });
  first.Server(kGreeting)
      .Client("A1 LOGIN \"anna\" \"geheim\"")
      .Server("A1 OK [CAPABILITY IMAP4rev1 ESEARCH] Logged in")
      .ClientRaw(
          "A2 SELECT \"INBOX\"\r\nA3 SEARCH RETURN (ALL) RECENT\r\n"
          "A4 SEARCH RETURN (ALL) SEEN\r\n")
      .ServerRaw(
          "* 12 EXISTS\r\n* OK [UIDVALIDITY 1700000000] UIDs valid\r\n"
          "* OK [UIDNEXT 43] Predicted next UID\r\nA2 OK [READ-WRITE] Select completed.\r\n"
          "* ESEARCH (TAG \"A3\") ALL 11:12\r\nA3 OK done\r\n* ESEARCH (TAG \"A4\")\r\nA4 OK "
          "done\r\n")
      .Client("A5 FETCH 12,11 (UID ENVELOPE)")
      .ServerRaw(
          "* 12 FETCH (UID 42 ENVELOPE (NIL \"Hallo\" ((NIL NIL \"anna\" \"example.org\")) NIL NIL "
          "NIL NIL NIL NIL NIL))\r\nA5 OK done\r\n")
      .Client("A6 LOGOUT");
  fresh.SignIn("h", "anna", "geheim");
  NewMailSignal noMemory(settings, "Bernd", true);
  noMemory.Announce(fresh.Mailbox("INBOX"));
  std::string recent, seen;
  fresh.Mailbox("INBOX").Search("RECENT", recent, 0);
  fresh.Mailbox("INBOX").Search("SEEN", seen, 0);
  EXPECT_TRUE(noMemory.Decide(recent, fresh.Mailbox("INBOX")));
  const MailNews second = noMemory.News(fresh.Mailbox("INBOX"));
  fresh.SignOut();
  EXPECT_EQ(first.Problems(), "");
  EXPECT_EQ(fresh.RoundTrips(), 4);
  EXPECT_EQ(NewsLines(second),
            (std::vector<std::string>{"anna@example.org – Hallo", "… und 1 weitere"}));
}

TEST(ImapSets, CompactResultsExpandToTheCommaTextOfOld) {
  std::string out = "alt";
  EXPECT_TRUE(imap::ExpandSet("", out, 100));
  EXPECT_EQ(out, "");
  EXPECT_TRUE(imap::ExpandSet("1,5,9", out, 100));
  EXPECT_EQ(out, "1,5,9");
  EXPECT_TRUE(imap::ExpandSet("3:5,9,12:10", out, 100));
  EXPECT_EQ(out, "3,4,5,9,10,11,12");
  EXPECT_TRUE(imap::ExpandSet("98:101,999:1000", out, 100));
  EXPECT_EQ(out, "98,99,100,101,999,1000");
  EXPECT_TRUE(imap::ExpandSet("4294967294:4294967295", out, 100));
  EXPECT_EQ(out, "4294967294,4294967295");
  // A range the server made up cannot make the client write gigabytes.
  EXPECT_FALSE(imap::ExpandSet("1:4294967295", out, 1 << 20));
  EXPECT_EQ(out, "");
  std::string many;
  for (int i = 1; i <= 40000; ++i) many += (i > 1 ? "," : "") + std::to_string(i);
  EXPECT_TRUE(imap::ExpandSet("1:40000", out, 16 << 20));
  EXPECT_EQ(out, many);
}

// A server that takes `delay` ms for every reply, on top of a script.
class SlowServer : public Transport {
 public:
  SlowServer(ScriptedTransport& script, int delayMs, std::vector<int>* waits = nullptr)
      : script_(script), delayMs_(delayMs), waits_(waits) {}
  void Connect(const std::string& host, int port, int timeoutMs) override {
    script_.Connect(host, port, timeoutMs);
  }
  void Send(std::string_view data, int timeoutMs) override { script_.Send(data, timeoutMs); }
  std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) override {
    if (waits_) waits_->push_back(timeoutMs);
    if (timeoutMs < delayMs_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
      throw NetError(kNetTimedOut);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_));
    return script_.Receive(buffer, capacity, timeoutMs);
  }
  void Close() override { script_.Close(); }

 private:
  ScriptedTransport& script_;
  int delayMs_;
  std::vector<int>* waits_;
};

TEST(ImapDeadline, EveryReplyInTimeButTheCallTooLongFailsAtTheTimeout) {
  // Scaled down from 9 s a reply against 10 s: 360 ms against 400 ms.
  ScriptedTransport script;
  script.Server("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready")
      .Client("A1 LOGIN \"anna\" \"geheim\"")
      .Server("A1 OK Logged in");
  std::vector<int> waits;  // the time each receive was given
  ImapClient client([&] { return std::make_unique<SlowServer>(script, 360, &waits); });
  client.SetTimeout(400);
  auto start = std::chrono::steady_clock::now();
  std::int32_t number = 0;
  try {
    client.SignIn("h", "anna", "geheim");
  } catch (const AppError& e) {
    number = e.Number();
  }
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
  EXPECT_EQ(number, kNetTimedOut);
  EXPECT_GE(took, 390);
  EXPECT_LT(took, 400 + 150);
  ASSERT_EQ(waits.size(), 2u);
  EXPECT_LE(waits[1], 400 - 360 + 5);  // the LOGIN waits only for what is left

  // Each later call has its own limit: a search right after a slow sign-in still gets 400 ms.
  ScriptedTransport next;
  next.Server("* OK [CAPABILITY IMAP4rev1] ready")
      .Client("A1 LOGIN \"anna\" \"geheim\"")
      .Server("A1 OK Logged in")
      .Client("A2 SELECT \"INBOX\"")
      .Client("A3 SEARCH RECENT")
      .ServerRaw("* 1 EXISTS\r\nA2 OK done\r\n* SEARCH 1\r\nA3 OK done\r\n");
  ImapClient second([&] { return std::make_unique<SlowServer>(next, 150); });
  second.SetTimeout(400);
  second.SignIn("h", "anna", "geheim");
  std::string out;
  second.Mailbox("INBOX").Search("RECENT", out, 0);
  EXPECT_EQ(out, "1");
  EXPECT_EQ(next.Problems(), "");
}

}  // namespace
}  // namespace pw
