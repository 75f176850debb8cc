// fmNewMail: the name it keeps, OK, Öffnen with every flag combination, and the close box.
#include <gtest/gtest.h>

#include "substitute/FakeNewMailView.h"
#include "support/NewMailRig.h"

namespace pw::test {
namespace {

constexpr char kOutlook[] = "c:\\programme\\microsoft office\\office\\outlook.exe";
// Where the Terminal Server client is found without the old fixed path.
constexpr char kTerminalClient[] = "\"C:\\WINDOWS\\system32\\mstsc.exe\" ";

struct FakeViews {
  FakeNewMailViewFactory views;
};

struct Rig : FakeViews, NewMailRig {
  Rig() : NewMailRig(views) {}
  FakeNewMailView& View(std::size_t i) { return *views.open.at(i); }
};

TEST(FmNewMail, SeveralDialogsKeepTheNamesTheyLoadedWith) {
  Rig r;
  r.AddAccount("Anna", "Falsch", "Wahr", "Anna-TS");
  r.Announce("Anna");
  r.Announce("Bert");
  r.globals.CurrentAccount = "Carla";  // a later run handles another account
  EXPECT_EQ(r.View(0).nameBox, "Anna");
  EXPECT_EQ(r.View(1).nameBox, "Bert");
  EXPECT_EQ(r.View(1).focused, 1);

  r.View(1).ClickOK();  // stops the blinking and resets the tip for all; Anna's stays open
  EXPECT_FALSE(r.Blinking());
  EXPECT_EQ(r.shell.icon->hIcon, r.window.MainIcon());
  EXPECT_EQ(r.Tip(), kIdle);
  ASSERT_EQ(r.dialogs.Count(), 1u);
  EXPECT_TRUE(r.View(0).visible);

  r.View(0).ClickOpen();
  EXPECT_EQ(r.Started(), std::vector<std::string>{std::string(kTerminalClient) + "\"Anna-TS\""});
  EXPECT_EQ(r.dialogs.Count(), 0u);
  EXPECT_TRUE(r.views.open.empty());
}

struct FlagCase {
  const char* ol;
  const char* te;
  bool usedOutlookBefore;
  bool expectOutlook;
};

class OpenFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(OpenFlags, ChooseTheClientStopTheBlinkingAndClose) {
  const FlagCase c = GetParam();
  Rig r;
  r.globals.UseOutlook = c.usedOutlookBefore;
  r.AddAccount("Anna", c.ol, c.te, "Anna-TS");
  r.Announce("Anna");
  r.View(0).ClickOpen();
  EXPECT_EQ(r.globals.UseOutlook, c.expectOutlook);
  const std::string expected =
      c.expectOutlook ? kOutlook : std::string(kTerminalClient) + "\"Anna-TS\"";
  EXPECT_EQ(r.Started(), std::vector<std::string>{expected});
  EXPECT_EQ(r.windows.started.at(0).style, 3);
  EXPECT_FALSE(r.Blinking());
  EXPECT_EQ(r.Tip(), kIdle);
  EXPECT_EQ(r.dialogs.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    FmNewMail, OpenFlags,
    ::testing::Values(FlagCase{"Wahr", "Falsch", false, true},
                      FlagCase{"Falsch", "Wahr", true, false},
                      FlagCase{"Wahr", "Wahr", false, true},
                      // Neither: the previous launch's choice, before any the Terminal Server.
                      FlagCase{"Falsch", "Falsch", false, false},
                      FlagCase{"Falsch", "Falsch", true, true}));

TEST(FmNewMail, OpenWithAMissingOrNonBooleanFlagStartsNothingButCloses) {
  for (auto [ol, te] :
       {std::pair{"", "Wahr"}, std::pair{"Wahr", ""}, std::pair{"vielleicht", "Wahr"}}) {
    SCOPED_TRACE(std::string(ol) + "/" + te);
    Rig r;
    r.AddAccount("Anna", ol, te, "Anna-TS");
    r.Announce("Anna");
    r.View(0).ClickOpen();
    EXPECT_TRUE(r.windows.started.empty());
    EXPECT_FALSE(r.globals.UseOutlook);
    EXPECT_EQ(r.dialogs.Count(), 0u);
    EXPECT_EQ(r.Tip(), kIdle);
    r.timers.Advance(500);
    EXPECT_EQ(r.shell.icon->hIcon, r.window.IvisPicture());  // still blinking
  }
}

TEST(FmNewMail, WithoutTrayAlertsBothButtonsSendOnlyTheIdleTip) {
  Rig r;
  r.globals.TrayAlertsEnabled = false;  // TS_JN = "J"
  r.AddAccount("Anna", "Wahr", "Falsch");
  r.Announce("Anna");
  r.Announce("Anna");
  for (int button = 0; button < 2; ++button) {
    const std::size_t before = r.shell.calls.size();
    if (button == 0)
      r.View(0).ClickOK();
    else
      r.View(0).ClickOpen();
    ASSERT_EQ(r.shell.calls.size(), before + 1);
    EXPECT_EQ(ShownTip(r.shell.calls.back().data), kIdle);
  }
  EXPECT_EQ(r.Started(), std::vector<std::string>{kOutlook});
  EXPECT_EQ(r.dialogs.Count(), 0u);
}

TEST(FmNewMail, CloseBoxRunsNoHandlerButUnloads) {
  Rig r;
  r.AddAccount("Anna", "Wahr", "Falsch");
  r.Announce("Anna");
  const std::size_t sends = r.shell.calls.size();
  r.View(0).ClickCloseBox();
  EXPECT_EQ(r.shell.calls.size(), sends);
  EXPECT_TRUE(r.Blinking());
  EXPECT_EQ(r.Tip(), "Neue Nachricht für Anna!");
  EXPECT_TRUE(r.windows.started.empty());
  EXPECT_EQ(r.dialogs.Count(), 0u);
  EXPECT_TRUE(r.views.open.empty());
}

}  // namespace
}  // namespace pw::test
