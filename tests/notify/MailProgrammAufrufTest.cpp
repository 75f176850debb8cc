#include <gtest/gtest.h>

#include "support/MainWindowRig.h"

namespace pw::test {
namespace {

constexpr char kOutlook[] = "c:\\programme\\microsoft office\\office\\outlook.exe";

TEST(TitleAfterLastDash, TakesEverythingAfterTheLastDash) {
  EXPECT_EQ(MailProgrammAufruf::TitleAfterLastDash("Posteingang - Microsoft Outlook"),
            " Microsoft Outlook");
  EXPECT_EQ(MailProgrammAufruf::TitleAfterLastDash("a-b - c - Microsoft Outlook"),
            " Microsoft Outlook");
  EXPECT_EQ(MailProgrammAufruf::TitleAfterLastDash("Microsoft Outlook"), "");
  EXPECT_EQ(MailProgrammAufruf::TitleAfterLastDash("Ende-"), "");
}

struct LaunchRig : MainWindowRig {
  LaunchRig() { globals.UseOutlook = true; }
  MailProgrammAufruf& launcher() { return fm.Launcher(); }
};

TEST(FindOutlook, FirstMatchInTopToBottomOrderWins) {
  LaunchRig r;
  r.windows.windows = {{1, "Posteingang - Microsoft Outlook", "RCTRL_RENWND32"},
                       {2, "Microsoft Outlook", "rctrl_renwnd32"},
                       {3, "", "rctrl_renwnd32"},
                       {4, "Ordner - Kalender - Microsoft Outlook", "rctrl_renwnd32"},
                       {5, "Posteingang - Microsoft Outlook", "rctrl_renwnd32"}};
  EXPECT_EQ(r.launcher().FindOutlookTitle(), "Ordner - Kalender - Microsoft Outlook");
  r.launcher().StartMailClient("");
  EXPECT_EQ(r.windows.raised, std::vector<WindowHandle>{4});
  EXPECT_TRUE(r.windows.started.empty());
  EXPECT_EQ(r.launcher().LastWindow(), 4u);
}

TEST(FindOutlook, NoMatchStartsOutlookMaximised) {
  LaunchRig r;
  r.windows.windows = {{2, "Microsoft Outlook", "rctrl_renwnd32"},
                       {6, "Posteingang -Microsoft Outlook", "rctrl_renwnd32"}};
  r.launcher().StartMailClient("ignored");
  ASSERT_EQ(r.windows.started.size(), 1u);
  EXPECT_EQ(r.windows.started[0].commandLine, kOutlook);
  EXPECT_EQ(r.windows.started[0].style, 3);
  EXPECT_TRUE(r.windows.raised.empty());
}

TEST(TerminalClient, ExactTitleIsRaisedAnythingElseStartsTheClient) {
  LaunchRig r;
  r.globals.UseOutlook = false;
  r.windows.files = {"c:\\programme\\Terminal Server Client\\mstsc.exe"};
  r.settings.SaveSetting("Mail Postwacht", "Server", "TerminalServer", "TS1");
  r.windows.windows = {{7, "TS1 - Terminal Server-Client (Buchhaltung) ", ""},
                       {8, "TS1 - Terminal Server-Client (Buchhaltung)", ""}};
  r.launcher().StartMailClient("Buchhaltung");
  EXPECT_EQ(r.windows.raised, std::vector<WindowHandle>{8});
  r.launcher().StartMailClient("Vertrieb");
  ASSERT_EQ(r.windows.started.size(), 1u);
  EXPECT_EQ(r.windows.started[0].commandLine,
            "c:\\programme\\Terminal Server Client\\mstsc.exe \"Vertrieb\"");
  EXPECT_EQ(r.windows.started[0].style, 3);
}

TEST(TerminalClient, EmptyConnectionNameSearchesEmptyBracketsAndQuotesNothing) {
  LaunchRig r;
  r.globals.UseOutlook = false;
  r.windows.files = {"c:\\programme\\Terminal Server Client\\mstsc.exe"};
  r.windows.windows = {{9, "Terminalserver - Terminal Server-Client ()", ""}};
  r.launcher().StartMailClient("");
  EXPECT_EQ(r.windows.raised, std::vector<WindowHandle>{9});
  r.windows.windows.clear();
  r.launcher().StartMailClient("");
  EXPECT_EQ(r.windows.started.at(0).commandLine,
            "c:\\programme\\Terminal Server Client\\mstsc.exe \"\"");
}

TEST(TerminalClient, QuoteInTheConnectionNameStartsNothing) {
  LaunchRig r;
  r.globals.UseOutlook = false;
  EXPECT_THROW(r.launcher().StartMailClient("x\" /admin \""), AppError);
  EXPECT_TRUE(r.windows.started.empty());
}

constexpr char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
constexpr char kAppPaths32[] =
    "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
constexpr char kOffice16[] = "C:\\Program Files\\Microsoft Office\\root\\Office16\\OUTLOOK.EXE";
constexpr char kOffice32[] = "C:\\Program Files (x86)\\Microsoft Office\\Office14\\OUTLOOK.EXE";

TEST(LaunchPaths, OutlookComesFromTheFixedPathThenTheMachinesThenTheUsersAppPath) {
  LaunchRig r;
  r.registry.SeedValue(kHkeyLocalMachine, kAppPaths, "", kRegSz,
                       std::string("\"") + kOffice16 + "\"" + std::string(1, '\0'));
  r.registry.SeedValue(kHkeyCurrentUser, kAppPaths, "", kRegExpandSz,
                       std::string("C:\\Benutzer\\Office\\OUTLOOK.EXE") + '\0');
  r.registry.SeedValue(kHkeyLocalMachine, kAppPaths32, "", kRegSz, std::string(kOffice32) + '\0');
  r.windows.files = {kOutlook};
  r.launcher().StartMailClient("");
  r.windows.files.clear();
  r.launcher().StartMailClient("");
  // The machine's key loses its value (an empty text names no program): the 32-bit programs'
  // view counts, then the user's.
  r.registry.SeedValue(kHkeyLocalMachine, kAppPaths, "", kRegSz, std::string(1, '\0'));
  r.launcher().StartMailClient("");
  r.registry.SeedValue(kHkeyLocalMachine, kAppPaths32, "", kRegSz, std::string(1, '\0'));
  r.launcher().StartMailClient("");
  // A default value that is no text, and no user key: the fixed path once more, which fails to
  // start where it is missing.
  r.registry.SeedValue(kHkeyLocalMachine, kAppPaths, "", kRegDword, std::string(4, '\1'));
  r.registry.SeedValue(kHkeyCurrentUser, kAppPaths, "", kRegBinary, "x");
  r.launcher().StartMailClient("");

  std::vector<std::string> lines;
  std::vector<std::string> programs;
  for (const auto& s : r.windows.started) {
    lines.push_back(s.commandLine);
    programs.push_back(s.program);
    EXPECT_EQ(s.style, 3);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{kOutlook, std::string("\"") + kOffice16 + "\"",
                                             std::string("\"") + kOffice32 + "\"",
                                             "\"C:\\Benutzer\\Office\\OUTLOOK.EXE\"", kOutlook}));
  // Every start names its program, which the system then neither searches for nor takes from
  // the command line's first blank.
  EXPECT_EQ(programs, (std::vector<std::string>{kOutlook, kOffice16, kOffice32,
                                                "C:\\Benutzer\\Office\\OUTLOOK.EXE", kOutlook}));
  EXPECT_EQ(r.registry.OpenHandleCount(), 0u);
}

TEST(LaunchPaths, TerminalClientComesFromTheSystemFolderWhenTheFixedPathIsMissing) {
  LaunchRig r;
  r.globals.UseOutlook = false;
  r.launcher().StartMailClient("Vertrieb");
  r.windows.files = {"c:\\programme\\Terminal Server Client\\mstsc.exe"};
  r.launcher().StartMailClient("Vertrieb");
  r.windows.files.clear();
  r.launcher().StartMailClient("");
  ASSERT_EQ(r.windows.started.size(), 3u);
  EXPECT_EQ(r.windows.started[0].program, "C:\\WINDOWS\\system32\\mstsc.exe");
  EXPECT_EQ(r.windows.started[1].program, "c:\\programme\\Terminal Server Client\\mstsc.exe");
  EXPECT_EQ(r.windows.started[0].commandLine, "\"C:\\WINDOWS\\system32\\mstsc.exe\" \"Vertrieb\"");
  EXPECT_EQ(r.windows.started[0].style, 3);
  EXPECT_EQ(r.windows.started[1].commandLine,
            "c:\\programme\\Terminal Server Client\\mstsc.exe \"Vertrieb\"");
  EXPECT_EQ(r.windows.started[2].commandLine, "\"C:\\WINDOWS\\system32\\mstsc.exe\" \"\"");
}

struct TreeRig : MainWindowRig {
  TreeRig() {
    globals.AttendanceAsked = true;
    fm.Tray().AddIcon();
    AddAccount("Anna", "anna", "pw", 2, "", "2");
    accounts.Write("Anna", "Mail-Client-OL", "Falsch");
    accounts.Write("Anna", "Mail-Client-TE", "Wahr");
    accounts.Write("Anna", "Mail-Client-TE-Name", "Anna-TS");
    fm.mRefresh_Click();  // blinking, tip names Anna
  }
  void Select(std::int32_t index) { fm.Anzeige_NodeSelected(index); }
};

TEST(TreeEvents, DoubleClickOnTheUnreadNodeLaunchesAndStopsTheBlinking) {
  TreeRig r;
  r.Select(1);
  EXPECT_EQ(r.globals.SelectedAccount, "Anna");
  r.fm.Anzeige_DblClick();
  ASSERT_EQ(r.windows.started.size(), 1u);
  EXPECT_EQ(r.windows.started[0].commandLine, "\"C:\\WINDOWS\\system32\\mstsc.exe\" \"Anna-TS\"");
  EXPECT_FALSE(r.fm.TimerIvis().Enabled());
  EXPECT_EQ(r.tray.icon->hIcon, r.window.MainIcon());
  EXPECT_EQ(ShownTip(*r.tray.icon), "Neue Nachricht für Anna!");  // the tip is not reset here
}

// TS_JN = "J": the double-click launches the client and leaves the tray alone.
TEST(TreeEvents, DoubleClickWithoutTrayAlertsLaunchesAndLeavesTheTrayAlone) {
  TreeRig r;
  r.globals.TrayAlertsEnabled = false;
  r.Select(1);
  const std::size_t before = r.tray.calls.size();
  r.fm.Anzeige_DblClick();
  ASSERT_EQ(r.windows.started.size(), 1u);
  EXPECT_EQ(r.tray.calls.size(), before);
  EXPECT_TRUE(r.fm.TimerIvis().Enabled());
}

// A node the tree cannot name clears the selection: the next double-click must not launch the
// account chosen before.
TEST(TreeEvents, AFailingSelectionClearsTheSelectedAccount) {
  TreeRig r;
  r.Select(1);
  ASSERT_EQ(r.globals.SelectedAccount, "Anna");
  r.Select(99);
  EXPECT_EQ(r.globals.SelectedAccount, "");
  r.fm.Anzeige_DblClick();
  EXPECT_TRUE(r.windows.started.empty());
}

TEST(TreeEvents, AccountAndTotalNodesCarryNoAccount) {
  TreeRig r;
  for (std::int32_t node : {0, 2}) {
    r.Select(node);
    r.fm.Anzeige_DblClick();
  }
  EXPECT_TRUE(r.windows.started.empty());
  EXPECT_TRUE(r.fm.TimerIvis().Enabled());
}

TEST(TreeEvents, DoubleClickBeforeAnySelectionDoesNothing) {
  TreeRig r;
  r.fm.Anzeige_DblClick();
  EXPECT_TRUE(r.windows.started.empty());
}

TEST(TreeEvents, MissingFlagStartsNothingAndKeepsTheBlinking) {
  TreeRig r;
  SettingsStore& s = r.settings;
  s.SaveSetting("Mail Postwacht\\Benutzer", "Anna", "Mail-Client-OL", "vielleicht");
  r.Select(1);
  r.fm.Anzeige_DblClick();
  EXPECT_TRUE(r.windows.started.empty());
  EXPECT_TRUE(r.fm.TimerIvis().Enabled());
}

TEST(TreeEvents, BothFlagsFalseKeepThePreviousChoice) {
  TreeRig r;
  r.accounts.Write("Anna", "Mail-Client-TE", "Falsch");
  r.globals.UseOutlook = true;
  r.Select(1);
  r.fm.Anzeige_DblClick();
  ASSERT_EQ(r.windows.started.size(), 1u);
  EXPECT_EQ(r.windows.started[0].commandLine, kOutlook);
}

TEST(TreeEvents, FailingStartIsSilent) {
  TreeRig r;
  r.windows.failStarts = true;
  r.Select(1);
  r.fm.Anzeige_DblClick();
  EXPECT_TRUE(r.dialogs.boxes.empty());
  EXPECT_TRUE(r.fm.TimerIvis().Enabled());
}

TEST(TreeEvents, ClickRestartsTheDelay) {
  TreeRig r;
  r.fm.Timer2().SetEnabled(true);
  r.fm.Anzeige_Click();
  EXPECT_FALSE(r.fm.Timer2().Enabled());
  EXPECT_TRUE(r.fm.Timer3().Enabled());
}

}  // namespace
}  // namespace pw::test
