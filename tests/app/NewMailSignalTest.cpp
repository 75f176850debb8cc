// New mail that another client saw first: the UID signal beside \Recent, across runs and restarts.
#include <gtest/gtest.h>

#include "accounts/InboxMemory.h"
#include "common/SettingsNames.h"
#include "support/MainWindowRig.h"

namespace pw::test {
namespace {

// Counts the values written, to tell a rewrite of the same text from none.
class CountingRegistry : public FakeRegistry {
 public:
  long RegSetValueExA(HKey key, const std::string& valueName, std::uint32_t type,
                      const std::uint8_t* data, std::uint32_t size) override {
    ++writes;
    return FakeRegistry::RegSetValueExA(key, valueName, type, data, size);
  }
  int writes = 0;
};

struct SignalRig : MainWindowRig {
  explicit SignalRig(std::shared_ptr<FakeRegistry> hive = std::make_shared<FakeRegistry>())
      : MainWindowRig(std::move(hive)) {
    globals.AttendanceAsked = true;
    fm.Tray().AddIcon();
  }
  // Anna's INBOX: UIDVALIDITY 9, the next UID `next`, and the unseen messages' UIDs.
  ScriptedImap::Account& Anna(std::uint32_t next, std::vector<std::uint32_t> unseen,
                              const std::string& recent = "") {
    if (imap.accounts["anna"].password.empty()) AddAccount("Anna", "anna", "pw");
    auto& a = imap.accounts["anna"];
    a.uidValidity = 9;
    a.uidNext = next;
    a.unseenUids = std::move(unseen);
    a.recent = recent;
    a.total = static_cast<std::int32_t>(next - 1);
    return a;
  }
  std::string Memory() { return settings.GetSetting("Mail Postwacht", "Eingang", "Anna", ""); }
  void Remember(const std::string& text) {
    settings.SaveSetting("Mail Postwacht", "Eingang", "Anna", text);
  }
  // Dialogs opened by one run.
  std::size_t Run() {
    const std::size_t before = forms.newMail.size();
    fm.mRefresh_Click();
    EXPECT_EQ(status.PanelText(0), "Suchlauf beendet ...");
    return forms.newMail.size() - before;
  }
};

TEST(NewMailSignal, MailThatAnotherClientSawFirstIsAnnouncedOnce) {
  SignalRig r;
  r.Remember("9 40");
  r.Anna(42, {12, 40, 41});  // 40 and 41 arrived; a phone took their \Recent
  ASSERT_EQ(r.Run(), 1u);
  EXPECT_EQ(r.forms.newMail[0]->accountName, "Anna");
  EXPECT_EQ(ShownTip(*r.tray.icon), "Neue Nachricht für Anna!");
  EXPECT_EQ(r.Memory(), "9 42");
  // 42 arrives already read. The next run asks from 42 on, and "42:*" still matches 41, the
  // highest unseen UID, which is not new.
  r.Anna(43, {12, 40, 41});
  EXPECT_EQ(r.Run(), 0u);
  EXPECT_NE(std::find(r.imap.log.begin(), r.imap.log.end(), "UidSearch UID 42:* UNSEEN"),
            r.imap.log.end());
}

TEST(NewMailSignal, TheNewestSendersAndSubjectsShowUnlessSwitchedOff) {
  SignalRig r;
  r.Remember("9 40");
  auto& anna = r.Anna(44, {12, 40, 41, 42, 43});
  for (std::uint32_t uid = 40; uid < 44; ++uid) {
    anna.envelopes.push_back({uid, "Absender " + std::to_string(uid), "Betreff", ""});
  }
  ASSERT_EQ(r.Run(), 1u);
  const auto has = [&](const std::string& line) {
    return std::find(r.imap.log.begin(), r.imap.log.end(), line) != r.imap.log.end();
  };
  EXPECT_TRUE(has("AnnounceEnvelopes 40 5"));
  EXPECT_TRUE(has("UidEnvelopes 43,42,41,40"));
  const std::vector<std::string> lines{"Absender 43 – Betreff", "Absender 42 – Betreff",
                                       "Absender 41 – Betreff", "… und 1 weitere"};
  EXPECT_EQ(r.forms.newMail[0]->lines, lines);
  ASSERT_EQ(r.tray.balloons.size(), 1u);
  EXPECT_EQ(r.tray.balloons[0].title, "Neue Nachricht für Anna!");
  EXPECT_EQ(r.tray.balloons[0].text,
            "Absender 43 – Betreff\nAbsender 42 – Betreff\nAbsender 41 – Betreff\n… und 1 weitere");
  r.fm.Tray_BalloonClick();
  EXPECT_EQ(r.forms.calls.back(), "OpenMailbox Anna");

  // "Nein": nothing is fetched and nothing shown, the dialog itself comes as ever.
  r.settings.SaveSetting(kSettingsApp, kSectionServer, kValueShowSender, "Nein");
  r.imap.log.clear();
  r.Anna(46, {44, 45});
  ASSERT_EQ(r.Run(), 1u);
  EXPECT_FALSE(std::any_of(r.imap.log.begin(), r.imap.log.end(), [](const std::string& l) {
    return l.find("Envelopes") != std::string::npos;
  }));
  EXPECT_TRUE(r.forms.newMail[1]->lines.empty());
  EXPECT_EQ(r.tray.balloons.size(), 1u);
}

TEST(NewMailSignal, EverythingTheCheckAsksIsAnnouncedBeforeTheSearches) {
  SignalRig r;
  r.Remember("9 40");
  r.Anna(40, {});
  r.Run();
  auto announce =
      std::find(r.imap.log.begin(), r.imap.log.end(), "Announce RECENT SEEN / UID 40:* UNSEEN");
  auto search = std::find(r.imap.log.begin(), r.imap.log.end(), "Search RECENT 0");
  ASSERT_NE(announce, r.imap.log.end());
  EXPECT_LT(announce, search);
  // No message arrived since (UIDNEXT unchanged), so the UID search is not even asked.
  EXPECT_EQ(std::count_if(r.imap.log.begin(), r.imap.log.end(),
                          [](const std::string& l) { return l.starts_with("UidSearch"); }),
            0);
}

TEST(NewMailSignal, RecentAndTheUidSignalTogetherOpenOneDialog) {
  SignalRig r;
  r.Remember("9 40");
  r.Anna(42, {40, 41}, "40,41");
  EXPECT_EQ(r.Run(), 1u);
  EXPECT_EQ(r.Memory(), "9 42");

  // \Recent alone still announces, memory or not, also from a server without UIDs.
  SignalRig plain;
  plain.AddAccount("Anna", "anna", "pw", 3, "", "3");
  EXPECT_EQ(plain.Run(), 1u);
  EXPECT_EQ(plain.Memory(), "");
}

TEST(NewMailSignal, FirstSightAndANewUidValidityAnnounceNoOldMail) {
  SignalRig r;
  r.Anna(7, {5, 6});
  EXPECT_EQ(r.Run(), 0u);  // nothing remembered: \Recent alone decides
  EXPECT_EQ(r.Memory(), "9 7");

  r.imap.accounts["anna"].uidValidity = 10;  // the mailbox was rebuilt
  r.imap.accounts["anna"].uidNext = 3;
  r.imap.accounts["anna"].unseenUids = {1, 2};
  EXPECT_EQ(r.Run(), 0u);
  EXPECT_EQ(r.Memory(), "10 3");

  // A server that names no UIDNEXT leaves \Recent alone and the memory as it was.
  r.imap.accounts["anna"].uidNext = 0;
  r.imap.accounts["anna"].unseenUids = {1, 2, 3};
  EXPECT_EQ(r.Run(), 0u);
  EXPECT_EQ(r.Memory(), "10 3");
}

TEST(NewMailSignal, MailOfTheNightIsAnnouncedAfterARestart) {
  auto hive = std::make_shared<FakeRegistry>();
  {
    SignalRig evening(hive);
    evening.Anna(7, {});
    EXPECT_EQ(evening.Run(), 0u);
  }
  SignalRig morning(hive);  // the program started anew; a phone saw the mail meanwhile
  morning.Anna(9, {7, 8});
  EXPECT_EQ(morning.Run(), 1u);
}

TEST(NewMailSignal, ANewMessageAlreadySeenIsNotAnnounced) {
  SignalRig r;
  r.Remember("9 7");
  r.Anna(8, {5, 6});  // 7 arrived and was read elsewhere
  EXPECT_EQ(r.Run(), 0u);
  EXPECT_EQ(r.Memory(), "9 8");
}

TEST(NewMailSignal, UnreadableMemoryCountsAsNone) {
  for (const char* text : {"kaputt", "9", "9 0", "0 7", "9  7", "-9 7", "9 7 1", "9 99999999999"}) {
    SignalRig r;
    r.Remember(text);
    r.Anna(8, {7});
    EXPECT_EQ(r.Run(), 0u) << text;
    EXPECT_TRUE(r.dialogs.boxes.empty()) << text;
    EXPECT_EQ(r.Memory(), "9 8") << text;
  }
}

TEST(NewMailSignal, TheMemoryIsWrittenOnlyWhenItChanges) {
  auto hive = std::make_shared<CountingRegistry>();
  SignalRig r(hive);
  r.Anna(7, {});
  r.Run();
  const int writes = hive->writes;
  r.Run();
  r.Run();
  EXPECT_EQ(hive->writes, writes);
  r.Anna(8, {});
  r.Run();
  EXPECT_EQ(hive->writes, writes + 1);
}

TEST(NewMailSignal, AnAccountRemovedAndAddedAgainStartsWithoutMemory) {
  SignalRig r;
  r.Anna(7, {});
  r.Run();
  ASSERT_EQ(r.Memory(), "9 7");
  r.accounts.Remove("Anna");
  EXPECT_EQ(r.Memory(), "");
  r.AddAccount("Anna", "anna", "pw");
  r.Anna(9, {7, 8});
  EXPECT_EQ(r.Run(), 0u);
  EXPECT_EQ(r.Memory(), "9 9");
}

}  // namespace
}  // namespace pw::test
