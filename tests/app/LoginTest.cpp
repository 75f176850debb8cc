#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "common/Base64.h"
#include "substitute/FakeOAuthPlatform.h"
#include "support/MainWindowRig.h"
#include "tray/TrayData.h"

namespace pw::test {
namespace {

constexpr char kWrongTitle[] = "Falscher Eintrag! Bitte um Änderung!!";
constexpr char kUnexpectedTitle[] = "Mailpostwacht unerwarteter Fehler!";

// Start-up done, clock and attendance decided, ready to call Login.
struct LoginRig : MainWindowRig {
  LoginRig() {
    AddAccount("Anna", "anna", "geheim", 12, "1,2,3,4,5,6,7,8,9");
    AddAccount("Bernd", "bernd", "passwort");
    globals.ImapServerName = "imap.office";
    globals.AttendanceAsked =
        true;  // keeps the attendance window out of the tests that don't want it
  }
  void BreakPassword(const std::string& user) { imap.accounts[user].password = "anders"; }
};

TEST(LoginTimeWindow, BoundariesAreFifteenMinutesExclusiveInWholeSeconds) {
  struct Case {
    int h, m, s;
    bool inside;
  };
  for (Case c : {Case{7, 30, 0, false}, Case{7, 30, 1, true}, Case{7, 45, 0, true},
                 Case{7, 59, 59, true}, Case{8, 0, 0, false}, Case{17, 3, 1, true},
                 Case{17, 32, 59, true}, Case{17, 33, 0, false}, Case{12, 0, 0, false}}) {
    LoginRig r;
    r.globals.AttendanceAsked = false;
    r.clock.Set(c.h, c.m, c.s);
    r.attendanceViews.onCreate = [](FakeAttendanceView&) {};
    r.loop.Post([&r] { r.fm.fmAnwesend().cmdCancel_Click(); });
    EXPECT_TRUE(r.fm.Login("Anna"));
    EXPECT_EQ(r.attendanceViews.created > 0, c.inside) << c.h << ":" << c.m << ":" << c.s;
  }
}

TEST(Login, SignsInWithTheStoredUserAndUnscrambledPassword) {
  LoginRig r;
  EXPECT_TRUE(r.fm.Login("Anna"));
  EXPECT_EQ(r.imap.timeout, 10000);
  EXPECT_NE(std::find(r.imap.log.begin(), r.imap.log.end(), "SignIn imap.office anna geheim"),
            r.imap.log.end());
  EXPECT_NE(std::find(r.imap.log.begin(), r.imap.log.end(), "PostSignIn"), r.imap.log.end());
}

TEST(Login, AccountWithoutPasswordSignsInWithAnEmptyOne) {
  LoginRig r;
  r.accounts.Write("Leer", "NT-USER", "leer");
  r.imap.accounts["leer"].password = "";
  EXPECT_TRUE(r.fm.Login("Leer"));
  ASSERT_GE(r.imap.log.size(), 2u);
  EXPECT_EQ(r.imap.log[1], "SignIn imap.office leer ");
}

// A rolled-out scrambled "PW" signs in once and is then stored protected; the next start signs
// in from the protected value alone. One that cannot be decrypted counts as a wrong password
// and stays as it is.
TEST(Login, ARolledOutPasswordIsProtectedAfterItsSignInAndAForeignOneCountsAsWrong) {
  auto hive = std::make_shared<FakeRegistry>();
  FakeCrypto crypto;
  const std::string anna = "Software\\VB and VBA Program Settings\\Mail Postwacht\\Benutzer\\Anna";
  const std::string bernd =
      "Software\\VB and VBA Program Settings\\Mail Postwacht\\Benutzer\\Bernd";
  const std::string foreign = Base64Encode("fremder Blob");
  {
    MainWindowRig first(hive);
    first.fm.AttachCrypto(crypto);
    first.globals.ImapServerName = "imap.office";
    first.clock.Set(10, 0);
    first.AddAccount("Anna", "anna", "geheim");
    EXPECT_TRUE(first.fm.Login("Anna"));
  }
  EXPECT_FALSE(hive->ValueData(kHkeyCurrentUser, anna, "PW"));
  const auto stored = hive->ValueData(kHkeyCurrentUser, anna, "PW-DPAPI");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->find("geheim"), std::string::npos);

  MainWindowRig next(hive);
  next.fm.AttachCrypto(crypto);
  next.globals.ImapServerName = "imap.office";
  next.globals.AttendanceAsked = true;
  next.imap.accounts["anna"].password = "geheim";
  EXPECT_TRUE(next.fm.Login("Anna"));
  EXPECT_NE(std::find(next.imap.log.begin(), next.imap.log.end(), "SignIn imap.office anna geheim"),
            next.imap.log.end());
  EXPECT_EQ(hive->ValueData(kHkeyCurrentUser, anna, "PW-DPAPI"), stored);

  // Bernd's protected password was stored by another Windows user: in the report window the
  // edit dialog and the box come up as for a refused password, and the server is not asked.
  next.AddAccount("Bernd", "bernd", "passwort");
  next.accounts.Write("Bernd", "PW-DPAPI", foreign);
  next.clock.Set(7, 45);
  next.imap.log.clear();
  EXPECT_FALSE(next.fm.Login("Bernd"));
  ASSERT_EQ(next.dialogs.boxes.size(), 1u);
  EXPECT_EQ(next.dialogs.boxes[0].text, "Passwort oder Benutzernahme von Bernd falsch!");
  EXPECT_EQ(next.forms.calls, (std::vector<std::string>{"ShowEdit", "SetEditAnzeigeName Bernd"}));
  for (const auto& line : next.imap.log) EXPECT_EQ(line.find("SignIn"), std::string::npos) << line;
  // The edit dialog shows it empty; OK without a new one keeps it, a typed one replaces it.
  AccountStore dialogStore(next.settings, &crypto);
  EXPECT_EQ(dialogStore.ReadPassword("Bernd"), "");
  dialogStore.WritePassword("Bernd", "");
  EXPECT_EQ(hive->ValueData(kHkeyCurrentUser, bernd, "PW-DPAPI"), foreign + '\0');
  EXPECT_TRUE(hive->ValueData(kHkeyCurrentUser, bernd, "PW"));
  dialogStore.WritePassword("Bernd", "neu");
  EXPECT_EQ(dialogStore.ReadPassword("Bernd"), "neu");
  EXPECT_FALSE(hive->ValueData(kHkeyCurrentUser, bernd, "PW"));
}

TEST(Login, WrongPasswordAtTenIsSilent) {
  LoginRig r;
  r.clock.Set(10, 0);
  r.BreakPassword("anna");
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_TRUE(r.dialogs.boxes.empty());
  EXPECT_TRUE(r.forms.calls.empty());
}

TEST(Login, WrongPasswordsInOneMorningAreReportedOnceThenAgainAfterLunch) {
  LoginRig r;
  r.BreakPassword("anna");
  r.BreakPassword("bernd");
  r.clock.Set(7, 40);
  std::vector<std::string> callsWhileBoxOpen;
  r.dialogs.onMsgBox = [&](const std::string&, const std::string&) {
    callsWhileBoxOpen = r.forms.calls;
  };
  const int yieldsBefore = r.loop.Yields();
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_FALSE(r.fm.Login("Bernd"));
  ASSERT_EQ(r.dialogs.boxes.size(), 1u);
  EXPECT_EQ(r.dialogs.boxes[0].text, "Passwort oder Benutzernahme von Anna falsch!");
  EXPECT_EQ(r.dialogs.boxes[0].title, kWrongTitle);
  // The edit dialog is up before the box; the account is chosen in it after the box.
  EXPECT_EQ(callsWhileBoxOpen, std::vector<std::string>{"ShowEdit"});
  EXPECT_EQ(r.forms.calls, (std::vector<std::string>{"ShowEdit", "SetEditAnzeigeName Anna"}));
  EXPECT_EQ(r.loop.Yields() - yieldsBefore, 1);
  EXPECT_TRUE(r.globals.WrongPasswordReported);

  r.clock.Set(8, 10);
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_FALSE(r.globals.WrongPasswordReported);
  EXPECT_EQ(r.dialogs.boxes.size(), 1u);

  r.clock.Set(13, 5);
  EXPECT_FALSE(r.fm.Login("Bernd"));
  ASSERT_EQ(r.dialogs.boxes.size(), 2u);
  EXPECT_EQ(r.dialogs.boxes[1].text, "Passwort oder Benutzernahme von Bernd falsch!");
}

TEST(Login, ConnectionRefusedShowsTheUnreachableTrayUntilASignInWorks) {
  LoginRig r;
  r.fm.Tray().AddIcon();
  r.imap.accounts["anna"].signInError = kNetRefused;
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_TRUE(r.globals.ServerUnreachableShown);
  EXPECT_EQ(ShownTip(*r.tray.icon), "Kann Server nicht erreichen!");
  EXPECT_EQ(r.tray.icon->hIcon, r.window.StopPicture());
  const auto sends = r.tray.calls.size();
  r.imap.accounts["anna"].signInError = kNetTimedOut;
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_EQ(r.tray.calls.size(), sends);  // further failures change nothing
  EXPECT_TRUE(r.dialogs.boxes.empty());

  EXPECT_TRUE(r.fm.Login("Bernd"));
  EXPECT_FALSE(r.globals.ServerUnreachableShown);
  EXPECT_EQ(ShownTip(*r.tray.icon), "Postwacht bei Ankunft neuer Mails!");
  EXPECT_EQ(r.tray.icon->hIcon, r.window.MainIcon());
}

TEST(Login, UnexpectedErrorsAreShownEveryTimeAnd12011Never) {
  LoginRig r;
  r.imap.accounts["anna"].signInError = 12130;
  r.imap.accounts["anna"].errorDescription = "Server nicht gefunden";
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_FALSE(r.fm.Login("Anna"));
  ASSERT_EQ(r.dialogs.boxes.size(), 2u);
  EXPECT_EQ(r.dialogs.boxes[0].text, "Error#12130: Server nicht gefunden");
  EXPECT_EQ(r.dialogs.boxes[0].title, kUnexpectedTitle);

  r.imap.accounts["bernd"].signInError = kImapErrorSilent;
  EXPECT_FALSE(r.fm.Login("Bernd"));
  EXPECT_EQ(r.dialogs.boxes.size(), 2u);
}

// Failures of the server rather than of an account, each tried three times: out of reach is
// the tray state without a box; a name that does not exist and a malformed reply show their box
// once, with the Stop picture and a tip of their own.
TEST(Login, ServerFailuresShowTheirStateAndAtMostOneBox) {
  struct Case {
    std::int32_t number;
    std::size_t boxes;
    const char* tip;
  };
  for (const Case& c : {Case{12101, 0, "Kann Server nicht erreichen!"},
                        Case{12102, 0, "Kann Server nicht erreichen!"},
                        Case{kNetNameUnavailable, 0, "Kann Server nicht erreichen!"},
                        Case{kNetHostNotFound, 1, "Server nicht gefunden!"},
                        Case{kImapMalformedReply, 1, "Fehlerhafte Antwort vom Server!"}}) {
    LoginRig r;
    r.fm.Tray().AddIcon();
    r.imap.accounts["anna"].signInError = c.number;
    r.imap.accounts["anna"].errorDescription = "Der Server imap.office wurde nicht gefunden.";
    for (int attempt = 0; attempt < 3; ++attempt) EXPECT_FALSE(r.fm.Login("Anna"));
    ASSERT_EQ(r.dialogs.boxes.size(), c.boxes) << c.number;
    if (c.boxes > 0) {
      EXPECT_EQ(r.dialogs.boxes[0].text, "Error#" + std::to_string(c.number) +
                                             ": Der Server imap.office wurde nicht gefunden.");
    }
    EXPECT_EQ(ShownTip(*r.tray.icon), c.tip) << c.number;
    EXPECT_EQ(r.tray.icon->hIcon, r.window.StopPicture());
  }
}

TEST(Login, OtherExceptionsInsideSignInGetANumberAndAreShown) {
  LoginRig r;
  r.imap.signInThrows = [] { throw std::runtime_error("vector::_M_range_check"); };
  EXPECT_FALSE(r.fm.Login("Anna"));
  r.imap.signInThrows = [] { throw std::bad_alloc(); };
  EXPECT_FALSE(r.fm.Login("Anna"));
  r.imap.signInThrows = [] { throw 42; };
  EXPECT_FALSE(r.fm.Login("Anna"));
  ASSERT_EQ(r.dialogs.boxes.size(), 3u);
  EXPECT_EQ(r.dialogs.boxes[0].text,
            "Error#12190: Interner Fehler bei der Anmeldung: vector::_M_range_check");
  EXPECT_EQ(r.dialogs.boxes[0].title, kUnexpectedTitle);
  EXPECT_EQ(r.dialogs.boxes[1].text,
            "Error#12190: Interner Fehler bei der Anmeldung: nicht genug Arbeitsspeicher.");
  EXPECT_EQ(r.dialogs.boxes[2].text, "Error#12190: Interner Fehler bei der Anmeldung.");
}

TEST(Login, FailedSecureConnectionIsReportedOnceUntilASignInWorks) {
  LoginRig r;
  r.fm.Tray().AddIcon();
  const std::string pin =
      "Das Zertifikat des Servers ist nicht das in den Einstellungen genannte. Fingerabdruck "
      "(SHA-256): 9F:86:D0:81:88:4C:7D:65:9A:2F:EA:A0:C5:5A:D0:15:A3:BF:4F:1B:2B:0B:82:2C:D1:"
      "5D:6C:15:B0:F0:0A:08";
  auto& anna = r.imap.accounts["anna"];
  anna.signInError = 12123;
  anna.errorDescription = pin;
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_FALSE(r.fm.Login("Anna"));
  ASSERT_EQ(r.dialogs.boxes.size(), 1u);
  EXPECT_EQ(r.dialogs.boxes[0].text, "Error#12123: " + pin);
  EXPECT_EQ(r.dialogs.boxes[0].title, kUnexpectedTitle);
  EXPECT_EQ(ShownTip(*r.tray.icon), "Sichere Verbindung zum Server fehlgeschlagen!");
  EXPECT_EQ(r.tray.icon->hIcon, r.window.StopPicture());

  // Another failure of the secured connection shows its own box, once.
  for (std::int32_t n : {12121, 12121, 12115, 12126, 12126}) {
    anna.signInError = n;
    EXPECT_FALSE(r.fm.Login("Anna"));
  }
  ASSERT_EQ(r.dialogs.boxes.size(), 4u);
  EXPECT_TRUE(r.dialogs.boxes[1].text.starts_with("Error#12121: "));
  EXPECT_TRUE(r.dialogs.boxes[2].text.starts_with("Error#12115: "));
  EXPECT_TRUE(r.dialogs.boxes[3].text.starts_with("Error#12126: "));

  // The server out of reach in between: its own state, and the same failure after it no box.
  anna.signInError = kNetTimedOut;
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_EQ(ShownTip(*r.tray.icon), "Kann Server nicht erreichen!");
  anna.signInError = 12126;
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_EQ(r.dialogs.boxes.size(), 4u);
  EXPECT_EQ(ShownTip(*r.tray.icon), "Sichere Verbindung zum Server fehlgeschlagen!");

  // A sign-in that works restores the idle state and re-arms the box.
  EXPECT_TRUE(r.fm.Login("Bernd"));
  EXPECT_EQ(ShownTip(*r.tray.icon), "Postwacht bei Ankunft neuer Mails!");
  EXPECT_EQ(r.tray.icon->hIcon, r.window.MainIcon());
  EXPECT_FALSE(r.globals.SecureConnectionShown);
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_EQ(r.dialogs.boxes.size(), 5u);
}

TEST(Login, KnownErrorOutsideTheReportWindowsClearsTheReportedFlag) {
  LoginRig r;
  r.globals.WrongPasswordReported = true;
  r.clock.Set(7, 50);
  r.imap.accounts["anna"].signInError = kImapErrorSilent;
  r.fm.Login("Anna");
  EXPECT_TRUE(r.globals.WrongPasswordReported);  // still inside a report window
  r.clock.Set(11, 0);
  r.imap.accounts["anna"].signInError = 12130;  // unexpected errors leave the flag alone
  r.fm.Login("Anna");
  EXPECT_TRUE(r.globals.WrongPasswordReported);
  r.imap.accounts["anna"].signInError = kImapErrorSilent;
  r.fm.Login("Anna");
  EXPECT_FALSE(r.globals.WrongPasswordReported);
}

TEST(Login, AttendanceDialogComesUpOncePerWindow) {
  LoginRig r;
  r.globals.AttendanceAsked = false;
  int modalShows = 0;
  auto answerWithOk = [&] {
    r.loop.Post([&] {
      if (!r.fm.fmAnwesend().Visible()) return;
      ++modalShows;
      EXPECT_TRUE(r.attendanceViews.current->modal);
      r.fm.fmAnwesend().cmdOK_Click();
    });
  };
  for (auto [h, m, expected] : {std::tuple{7, 31, 1}, std::tuple{7, 40, 1}, std::tuple{7, 55, 1},
                                std::tuple{9, 0, 1}, std::tuple{17, 4, 2}, std::tuple{17, 20, 2}}) {
    r.clock.Set(h, m);
    answerWithOk();
    EXPECT_TRUE(r.fm.Login("Anna"));
    EXPECT_EQ(modalShows, expected) << h << ":" << m;
    r.loop.DoEvents();  // drop an answer nobody asked for
  }
  EXPECT_FALSE(r.fm.fmAnwesend().Visible());
}

TEST(Login, FailedSignInDoesNotPutUpTheAttendanceDialog) {
  LoginRig r;
  r.globals.AttendanceAsked = false;
  r.clock.Set(7, 35);
  r.imap.accounts["anna"].signInError = kImapErrorSilent;
  EXPECT_FALSE(r.fm.Login("Anna"));
  EXPECT_EQ(r.attendanceViews.created, 0);
  EXPECT_FALSE(r.globals.AttendanceAsked);
}

}  // namespace
}  // namespace pw::test
