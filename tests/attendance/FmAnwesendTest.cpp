#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "accounts/AccountDialogs.h"
#include "substitute/FakeAccountDialogViews.h"
#include "support/MainWindowRig.h"

namespace pw::test {
namespace {

struct ListRig : MainWindowRig {
  FmAnwesend& form() { return fm.fmAnwesend(); }
};

TEST(Attendance, FillsFromTheStoreWithAbsentAsTicked) {
  ListRig r;
  r.AddAccount("Anna", "anna", "pw");
  r.AddAccount("Bernd", "bernd", "pw");
  r.accounts.Write("Bernd", "Angezeigt", "0");
  auto& list = r.List();
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.Text(0), "Anna");
  EXPECT_EQ(list.Tick(0), 1);
  EXPECT_EQ(list.Text(1), "Bernd");
  EXPECT_EQ(list.Tick(1), 0);
  EXPECT_EQ(list.finalSetups, 1);
  EXPECT_FALSE(list.visible);  // loaded hidden by the first touch
}

TEST(Attendance, NoAccountsGivesAnEmptyListAndOkWritesNothing) {
  ListRig r;
  auto& list = r.List();
  EXPECT_EQ(list.RowCount(), 0);
  r.form().Show();
  r.form().cmdOK_Click();
  EXPECT_FALSE(r.form().Loaded());
  EXPECT_TRUE(r.globals.AttendanceAsked);
}

TEST(Attendance, OkStoresEveryTickAndTheAccountIsLeftOut) {
  ListRig r;
  r.AddAccount("Anna", "anna", "pw", 1);
  r.AddAccount("Bernd", "bernd", "pw", 2);
  r.form().Show();
  r.attendanceViews.current->SetTick(1, 0);
  r.form().cmdOK_Click();
  EXPECT_EQ(r.accounts.Read("Anna", "Angezeigt", "?"), "1");
  EXPECT_EQ(r.accounts.Read("Bernd", "Angezeigt", "?"), "0");
  EXPECT_TRUE(r.fm.Timer2().Enabled());
  r.globals.AttendanceAsked = true;
  r.fm.mRefresh_Click();
  ASSERT_EQ(r.tree.nodes.size(), 3u);
  EXPECT_EQ(r.tree.nodes[0].text, "Anna");
}

TEST(Attendance, CancelStoresNothingAndTheNextTouchReloadsTheTicks) {
  ListRig r;
  r.AddAccount("Anna", "anna", "pw", 1);
  r.AddAccount("Bernd", "bernd", "pw", 1);
  r.form().Show();
  r.attendanceViews.current->SetTick(0, 0);
  r.form().cmdCancel_Click();
  EXPECT_EQ(r.accounts.Read("Anna", "Angezeigt", "absent"), "absent");
  EXPECT_TRUE(r.globals.AttendanceAsked);
  EXPECT_TRUE(r.fm.Timer2().Enabled());
  r.globals.AttendanceAsked = true;
  r.fm.mRefresh_Click();
  EXPECT_EQ(r.tree.nodes.size(), 6u);
}

TEST(Attendance, UntickedRowIsLeftOutOfARunWhileTheWindowIsOpen) {
  ListRig r;
  r.AddAccount("Anna", "anna", "pw", 1);
  r.AddAccount("Bernd", "bernd", "pw", 1);
  r.globals.AttendanceAsked = true;
  r.form().Show();
  r.attendanceViews.current->SetTick(0, 0);
  r.fm.mRefresh_Click();
  ASSERT_EQ(r.tree.nodes.size(), 3u);
  EXPECT_EQ(r.tree.nodes[0].text, "Bernd");
}

TEST(Attendance, ResizeRefillsAndDropsUnconfirmedTicks) {
  ListRig r;
  r.AddAccount("Anna", "anna", "pw");
  r.form().Show();
  auto* list = r.attendanceViews.current;
  list->SetTick(0, 0);
  r.AddAccount("Neu", "neu", "pw");
  r.form().Form_Resize();
  ASSERT_EQ(list->RowCount(), 2);
  EXPECT_EQ(list->Tick(0), 1);
}

TEST(Attendance, RemovedAccountStaysInTheLoadedListUntilTheNextFill) {
  ListRig r;
  r.AddAccount("Anna", "anna", "pw");
  r.AddAccount("Bernd", "bernd", "pw");
  r.List();
  r.accounts.Remove("Bernd");
  EXPECT_EQ(r.List().RowCount(), 2);
  r.form().Form_Load();
  EXPECT_EQ(r.List().RowCount(), 1);
}

// Removed under the open list: its OK must not write the account's key back with only
// "Angezeigt" (an empty account in every list and run from then on).
TEST(Attendance, AccountsRemovedOrAddedWhileTheListIsOpenNeverComeBack) {
  ListRig r;
  FakeAccountDialogViewFactory views;
  AccountDialogs dialogs(views, r.settings, r.fm.Timer2());
  dialogs.SetAccountsChanged([&] { r.form().AccountsChanged(); });
  r.AddAccount("Anna", "anna", "pw", 1);
  r.AddAccount("Bernd", "bernd", "pw", 1);
  r.AddAccount("Cora", "cora", "pw", 1);
  // Removed behind the list's back: its row stays, and OK skips it.
  r.form().Show();
  r.accounts.Remove("Cora");
  r.form().cmdOK_Click();
  EXPECT_EQ(r.accounts.List(), (std::vector<std::string>{"Anna", "Bernd"}));
  // "Mailboxes > Entfernen" and "Hinzufügen" refill the open list at once; a tick not yet
  // confirmed stays with its account.
  r.form().Show();
  auto* list = r.attendanceViews.current;
  list->SetTick(0, 0);
  dialogs.ShowDelete();
  views.deleteView->anzeigeName = "Bernd";
  dialogs.fmDelete().cmdOK_Click();
  ASSERT_EQ(list->RowCount(), 1);
  EXPECT_EQ(list->Tick(0), 0);
  dialogs.ShowNew();
  views.newView->anzeigeName = "Dora";
  dialogs.fmNew().cmdOK_Click();
  ASSERT_EQ(list->RowCount(), 2);
  EXPECT_EQ(list->Text(1), "Dora");
  r.form().cmdOK_Click();
  EXPECT_EQ(r.accounts.List(), (std::vector<std::string>{"Anna", "Dora"}));
  EXPECT_EQ(r.accounts.Read("Anna", "Angezeigt", "?"), "0");
  EXPECT_EQ(r.accounts.Read("Dora", "Angezeigt", "?"), "1");
}

// A row whose write is refused is skipped; the rows after it are still stored.
TEST(Attendance, OkSkipsARefusedRowAndStoresTheOthers) {
  ListRig r;
  r.AddAccount("Anna", "anna", "pw", 1);
  r.AddAccount("Bernd", "bernd", "pw", 1);
  r.AddAccount("Cora", "cora", "pw", 1);
  r.form().Show();
  for (std::int32_t row = 0; row < 3; ++row) r.attendanceViews.current->SetTick(row, 0);
  r.registry.DenyWrites(kHkeyCurrentUser,
                        "Software\\VB and VBA Program Settings\\Mail Postwacht\\Benutzer\\Bernd");
  r.form().cmdOK_Click();
  EXPECT_EQ(r.accounts.Read("Anna", "Angezeigt", "?"), "0");
  EXPECT_EQ(r.accounts.Read("Bernd", "Angezeigt", "?"), "?");
  EXPECT_EQ(r.accounts.Read("Cora", "Angezeigt", "?"), "0");
  EXPECT_FALSE(r.form().Loaded());
}

TEST(Attendance, HandEditedTicksAreReadAsNumbersAndAnUnreadableOneEndsNothing) {
  ListRig r;
  const std::vector<std::pair<std::string, std::int16_t>> stored = {
      {"1.0", 1}, {" 1 ", 1}, {"&H1", 1}, {"x", 0}, {"0", 0}, {"99999", 0}, {"2.5", 2}};
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const std::string name = "Konto" + std::to_string(i);
    r.AddAccount(name, name, "pw", 1);
    r.accounts.Write(name, "Angezeigt", stored[i].first);
  }
  r.AddAccount("Zuletzt", "zuletzt", "pw", 1);  // listed after the unreadable ones, no value
  auto& list = r.List();
  ASSERT_EQ(list.RowCount(), 8);
  for (std::size_t i = 0; i < stored.size(); ++i) {
    // "x" and the overflowing "99999" keep the state the list gives new rows.
    EXPECT_EQ(list.Tick(static_cast<std::int32_t>(i)), stored[i].second) << stored[i].first;
  }
  EXPECT_EQ(list.Text(7), "Zuletzt");
  EXPECT_EQ(list.Tick(7), 1);
  EXPECT_EQ(list.finalSetups, 1);

  // Every account after the unreadable row still takes part in the check.
  r.globals.AttendanceAsked = true;
  r.fm.mRefresh_Click();
  std::vector<std::string> checked;
  for (const auto& node : r.tree.nodes) {
    if (node.text.rfind("Konto", 0) == 0 || node.text == "Zuletzt") checked.push_back(node.text);
  }
  EXPECT_EQ(checked, (std::vector<std::string>{"Konto0", "Konto1", "Konto2", "Zuletzt"}));

  // Confirming writes the row's state back as a clean number.
  r.form().Show();
  r.form().cmdOK_Click();
  EXPECT_EQ(r.accounts.Read("Konto3", "Angezeigt", "?"), "0");
  EXPECT_EQ(r.accounts.Read("Konto0", "Angezeigt", "?"), "1");
}

TEST(Attendance, NoAccountKeyAtAllIsAnEmptyListWithoutAMessage) {
  ListRig r;
  EXPECT_EQ(r.List().RowCount(), 0);
  EXPECT_TRUE(r.dialogs.boxes.empty());
}

TEST(Attendance, CloseBoxUnloadsWithoutStoringAndMarksAsked) {
  ListRig r;
  r.AddAccount("Anna", "anna", "pw");
  r.form().Show();
  r.attendanceViews.current->SetTick(0, 0);
  r.fm.Timer2().SetEnabled(false);
  r.form().Unload();
  EXPECT_TRUE(r.globals.AttendanceAsked);
  EXPECT_FALSE(r.fm.Timer2().Enabled());
  EXPECT_EQ(r.accounts.Read("Anna", "Angezeigt", "absent"), "absent");
}

}  // namespace
}  // namespace pw::test
