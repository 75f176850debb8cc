#include <gtest/gtest.h>

#include "support/MainWindowRig.h"
#include "tray/TrayData.h"

namespace pw::test {
namespace {

TEST(FormLoad, DefaultsWithNoSettingsAtAll) {
  MainWindowRig r;
  r.fm.Form_Load();
  EXPECT_EQ(r.fm.Timer1().Interval(), 60000u);
  EXPECT_EQ(r.window.left, 0);
  EXPECT_EQ(r.window.top, 0);
  EXPECT_EQ(r.globals.ImapServerName, "localhost");
  EXPECT_EQ(r.imap.port, 143);
  EXPECT_TRUE(r.globals.TrayAlertsEnabled);
  EXPECT_FALSE(r.globals.WrongPasswordReported);
  EXPECT_TRUE(r.window.visible);
  EXPECT_GE(r.window.refreshes, 1);
  // The first check ran while the window was shown.
  EXPECT_EQ(r.status.PanelText(0), "Suchlauf beendet ...");
}

TEST(FormLoad, ReadsIntervalPositionAndServerFromTheSettings) {
  MainWindowRig r;
  r.settings.SaveSetting("Mail Postwacht", "Timer", "Timer1", "10000");
  r.settings.SaveSetting("Mail Postwacht", "Pos", "Left", "1500");
  r.settings.SaveSetting("Mail Postwacht", "Pos", "Top", "2250,5");
  r.settings.SaveSetting("Mail Postwacht", "Server", "Host", "imap.example");
  r.settings.SaveSetting("Mail Postwacht", "Server", "Port", "10143");
  r.fm.Form_Load();
  EXPECT_EQ(r.fm.Timer1().Interval(), 10000u);
  EXPECT_EQ(r.window.left, 1500);
  EXPECT_FLOAT_EQ(r.window.top, 2250.5f);
  EXPECT_EQ(r.globals.ImapServerName, "imap.example");
  EXPECT_EQ(r.imap.port, 10143);
}

TEST(FormLoad, SecurityComesWithItsOwnDefaultPort) {
  MainWindowRig plain;
  plain.fm.Form_Load();
  EXPECT_EQ(plain.imap.security, "Keine");
  EXPECT_EQ(plain.imap.fingerprint, "");

  MainWindowRig implicit;
  implicit.settings.SaveSetting("Mail Postwacht", "Server", "Sicherheit", "SSL/TLS");
  implicit.settings.SaveSetting("Mail Postwacht", "Server", "Zertifikat-SHA256", "AB:CD");
  implicit.fm.Form_Load();
  EXPECT_EQ(implicit.imap.port, 993);
  EXPECT_EQ(implicit.imap.security, "SSL/TLS");
  EXPECT_EQ(implicit.imap.fingerprint, "AB:CD");

  // A port of its own wins; an unusable one falls back to the default of the security.
  MainWindowRig own;
  own.settings.SaveSetting("Mail Postwacht", "Server", "Sicherheit", "SSL/TLS");
  own.settings.SaveSetting("Mail Postwacht", "Server", "Port", "10993");
  own.fm.Form_Load();
  EXPECT_EQ(own.imap.port, 10993);
  MainWindowRig bad;
  bad.settings.SaveSetting("Mail Postwacht", "Server", "Sicherheit", "SSL/TLS");
  bad.settings.SaveSetting("Mail Postwacht", "Server", "Port", "0");
  bad.fm.Form_Load();
  EXPECT_EQ(bad.imap.port, 993);
  MainWindowRig starttls;
  starttls.settings.SaveSetting("Mail Postwacht", "Server", "Sicherheit", "STARTTLS");
  starttls.fm.Form_Load();
  EXPECT_EQ(starttls.imap.port, 143);
}

TEST(FormLoad, UnusableIntervalFallsBackToTheDefault) {
  for (const char* text : {"abc", "-1", "65536", "1e4", "", "99999999999999999999"}) {
    MainWindowRig r;
    r.settings.SaveSetting("Mail Postwacht", "Timer", "Timer1", text);
    r.fm.Form_Load();
    EXPECT_EQ(r.fm.Timer1().Interval(), 60000u) << text;
  }
  MainWindowRig edge;
  edge.settings.SaveSetting("Mail Postwacht", "Timer", "Timer1", "65535");
  edge.fm.Form_Load();
  EXPECT_EQ(edge.fm.Timer1().Interval(), 65535u);
}

TEST(FormLoad, TrayAlertsOffOnlyForAnExactCapitalJ) {
  struct Case {
    const char* value;
    bool enabled;
  };
  for (Case c : {Case{nullptr, true}, Case{"", true}, Case{"j", true}, Case{"JA", true},
                 Case{" J", true}, Case{"J", false}}) {
    MainWindowRig r;
    if (c.value) r.environment.Set("TS_JN", c.value);
    r.fm.Form_Load();
    EXPECT_EQ(r.globals.TrayAlertsEnabled, c.enabled) << (c.value ? c.value : "(unset)");
  }
}

TEST(FormLoad, PositionWrittenOnPaintIsRestoredAtTheNextStart) {
  auto hive = std::make_shared<FakeRegistry>();
  {
    MainWindowRig first(hive);
    first.fm.Form_Load();
    first.window.left = 3000;
    first.window.top = 450;
    first.fm.Form_Paint();
    EXPECT_EQ(first.settings.GetSetting("Mail Postwacht", "Pos", "Left", "?"), "3000");
    EXPECT_EQ(first.settings.GetSetting("Mail Postwacht", "Pos", "Top", "?"), "450");
    first.window.left = -120.5f;
    first.fm.Form_Paint();
    EXPECT_EQ(first.settings.GetSetting("Mail Postwacht", "Pos", "Left", "?"), "-120,5");
  }
  MainWindowRig second(hive);
  second.fm.Form_Load();
  EXPECT_FLOAT_EQ(second.window.left, -120.5f);
  EXPECT_EQ(second.window.top, 450);
}

TEST(FormLoad, UnreadablePositionOpensAtZero) {
  MainWindowRig r;
  r.settings.SaveSetting("Mail Postwacht", "Pos", "Left", "links");
  r.settings.SaveSetting("Mail Postwacht", "Pos", "Top", "1.5.3");
  r.fm.Form_Load();
  EXPECT_EQ(r.window.left, 0);
  EXPECT_EQ(r.window.top, 0);
}

// The window is shown before the icon is added, the icon exists before the first check, and the
// check timer starts only once that check has ended.
TEST(FormLoad, EffectsComeInTheirOrder) {
  MainWindowRig r;
  r.fm.Form_Load();
  EXPECT_EQ(
      r.effects.entries,
      (std::vector<std::string>{"yield", "window shown", "window refreshed", "tray add", "yield",
                                "yield", "status: Suchlauf gestartet ...",
                                "status: Suchlauf beendet ...", "default pointer", "Timer1 on"}));
  EXPECT_TRUE(r.fm.Timer1().Enabled());
}

TEST(FormUnload, ClosesTheAttendanceListThenRemovesTheIcon) {
  MainWindowRig r;
  r.AddAccount("Anna", "anna", "pw");
  r.fm.Form_Load();
  ASSERT_TRUE(r.fm.fmAnwesend().Loaded());
  r.effects.entries.clear();
  r.fm.Form_Unload();
  EXPECT_EQ(r.effects.entries, (std::vector<std::string>{"attendance closed", "tray delete"}));
  EXPECT_FALSE(r.fm.fmAnwesend().Loaded());
  EXPECT_FALSE(r.tray.icon.has_value());
}

TEST(FormActivate, StopsChecksAndStartsTheCountdown) {
  MainWindowRig r;
  r.fm.Form_Load();
  r.fm.Form_Activate();
  EXPECT_FALSE(r.fm.Timer1().Enabled());
  EXPECT_TRUE(r.fm.Timer2().Enabled());
}

}  // namespace
}  // namespace pw::test
