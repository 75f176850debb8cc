// The attendance window's list with tick boxes, its buttons and its events.
#include <gtest/gtest.h>

#include <memory>

#include "win32/AttendanceWindow.h"
#include "win32/CommandIds.h"
#include "win32/Strconv.h"
#include "win32/Win32TestSupport.h"

namespace pw::win32 {
namespace {

class AttendanceWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PW_REQUIRE_DISPLAY();
    test::InitControls();
    main_ = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    view_ = std::make_unique<AttendanceWindow>(GetModuleHandleW(nullptr), loop_, events_);
  }
  void TearDown() override {
    view_.reset();
    if (main_) DestroyWindow(main_);
  }

  struct Events : AttendanceEvents {
    explicit Events(AttendanceWindowTest& test) : t(test) {}
    void Form_Resize() override { ++t.resizes_; }
    void cmdOK_Click() override { ++t.oks_; }
    void cmdCancel_Click() override { ++t.cancels_; }
    void Form_CloseBox() override {
      ++t.unloads_;
      // As the form does: close the window and drop the view, from inside its own event.
      t.view_->Close();
      t.view_.reset();
    }
    AttendanceWindowTest& t;
  };

  Win32EventLoop loop_;
  HWND main_ = nullptr;
  Events events_{*this};
  std::unique_ptr<AttendanceWindow> view_;
  int resizes_ = 0, oks_ = 0, cancels_ = 0, unloads_ = 0;
};

std::wstring Text(HWND window) {
  wchar_t text[64] = {};
  GetWindowTextW(window, text, 64);
  return text;
}

TEST_F(AttendanceWindowTest, IsAHiddenUnownedWindowWithTheListAndTwoPlainButtons) {
  EXPECT_EQ(L"Anwesenheitsliste", Text(view_->Hwnd()));
  EXPECT_FALSE(view_->Visible());
  EXPECT_EQ(nullptr, GetWindow(view_->Hwnd(), GW_OWNER));
  HWND list = view_->List();
  EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_CHECKBOXES);
  EXPECT_EQ(LVS_REPORT, GetWindowLongW(list, GWL_STYLE) & LVS_TYPEMASK);
  EXPECT_EQ(Scaled(25), ListView_GetColumnWidth(list, 0));
  EXPECT_EQ(Scaled(250), ListView_GetColumnWidth(list, 1));
  wchar_t header[32] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = header;
  column.cchTextMax = 32;
  ListView_GetColumn(list, 0, &column);
  EXPECT_EQ(L"", std::wstring(header));
  ListView_GetColumn(list, 1, &column);
  EXPECT_EQ(L"Anwesend", std::wstring(header));

  EXPECT_EQ(L"&OK", Text(view_->OkButton()));
  EXPECT_EQ(L"&Abbrechen", Text(view_->CancelButton()));
  for (HWND button : {view_->OkButton(), view_->CancelButton()}) {
    EXPECT_EQ(BS_PUSHBUTTON, GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK);
    EXPECT_NE(IDOK, GetDlgCtrlID(button));
    EXPECT_NE(IDCANCEL, GetDlgCtrlID(button));
  }

  view_->Show();
  EXPECT_TRUE(view_->Visible());
  EXPECT_GE(resizes_, 1);  // the first showing is a resize, which fills the list
  RECT listRect{}, okRect{};
  GetWindowRect(list, &listRect);
  GetWindowRect(view_->OkButton(), &okRect);
  EXPECT_LE(listRect.bottom, okRect.top);
}

TEST_F(AttendanceWindowTest, RowsKeepTheirNamesAndTickNumbers) {
  view_->AddRow(";Jürgen");
  view_->AddRow(";Anna;Maria");
  ASSERT_EQ(2, view_->RowCount());
  EXPECT_EQ("Jürgen", view_->Text(0));
  EXPECT_EQ("Anna;Maria", view_->Text(1));
  EXPECT_EQ(0, view_->Tick(0));  // a new row is not ticked
  EXPECT_FALSE(ListView_GetCheckState(view_->List(), 0));

  view_->SetTick(0, 1);
  EXPECT_EQ(1, view_->Tick(0));
  EXPECT_TRUE(ListView_GetCheckState(view_->List(), 0));
  view_->SetTick(1, 5);  // kept as written; not the ticked state
  EXPECT_EQ(5, view_->Tick(1));
  EXPECT_FALSE(ListView_GetCheckState(view_->List(), 1));

  // The person clicks the boxes.
  ListView_SetCheckState(view_->List(), 0, FALSE);
  ListView_SetCheckState(view_->List(), 1, TRUE);
  EXPECT_EQ(0, view_->Tick(0));
  EXPECT_EQ(1, view_->Tick(1));

  EXPECT_THROW(view_->Tick(2), std::out_of_range);
  EXPECT_THROW(view_->Text(-1), std::out_of_range);
  view_->RemoveAllRows();
  EXPECT_EQ(0, view_->RowCount());
}

TEST_F(AttendanceWindowTest, ButtonsAndCloseBoxReachTheFormAndEnterOrEscDoNothing) {
  view_->Show();
  SendMessageW(view_->OkButton(), BM_CLICK, 0, 0);
  SendMessageW(view_->CancelButton(), BM_CLICK, 0, 0);
  SendMessageW(view_->Hwnd(), WM_COMMAND, IDOK, 0);
  SendMessageW(view_->Hwnd(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(1, oks_);
  EXPECT_EQ(1, cancels_);

  // Tab goes through the dialog keys of the loop.
  SetFocus(view_->List());
  PostMessageW(view_->List(), WM_KEYDOWN, VK_TAB, 0);
  loop_.DoEvents();
  EXPECT_EQ(view_->OkButton(), GetFocus());

  HWND hwnd = view_->Hwnd();
  SendMessageW(hwnd, WM_CLOSE, 0, 0);  // the handler drops the view inside the message
  EXPECT_EQ(1, unloads_);
  EXPECT_EQ(nullptr, view_);
  EXPECT_FALSE(IsWindow(hwnd));
}

// A top-level window of this thread, owned by owner when given.
HWND TopLevel(const wchar_t* title, HWND owner = nullptr, bool visible = true) {
  HWND window = CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPED | (visible ? WS_VISIBLE : 0), 0,
                                0, 50, 50, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  EXPECT_NE(nullptr, window);
  return window;
}

TEST_F(AttendanceWindowTest, ModalDisablesEveryOtherWindowOfTheProgramAndOnlyThoseAfter) {
  view_->Show();
  HWND dialog = TopLevel(L"Neue Nachricht!");
  HWND hidden = TopLevel(L"versteckt", nullptr, false);
  HWND ownedByOther = TopLevel(L"Besitz", dialog);
  HWND alreadyDisabled = TopLevel(L"gesperrt");
  EnableWindow(alreadyDisabled, FALSE);
  HWND ownedByList = TopLevel(L"Liste", view_->Hwnd());

  view_->SetModal(true);
  for (HWND w : {main_, dialog, hidden, ownedByOther, alreadyDisabled}) {
    EXPECT_FALSE(IsWindowEnabled(w)) << w;
  }
  EXPECT_TRUE(IsWindowEnabled(view_->Hwnd()));
  EXPECT_TRUE(IsWindowEnabled(ownedByList));
  DestroyWindow(hidden);  // gone while the list was up

  view_->SetModal(false);
  for (HWND w : {main_, dialog, ownedByOther}) EXPECT_TRUE(IsWindowEnabled(w)) << w;
  EXPECT_FALSE(IsWindowEnabled(alreadyDisabled)) << "disabled by someone else";

  // Closing the window while modal ends the modality too.
  view_->SetModal(true);
  EXPECT_FALSE(IsWindowEnabled(dialog));
  view_->Close();
  view_.reset();
  for (HWND w : {main_, dialog, ownedByOther}) EXPECT_TRUE(IsWindowEnabled(w)) << w;
  for (HWND w : {ownedByOther, dialog, alreadyDisabled}) DestroyWindow(w);
}

}  // namespace
}  // namespace pw::win32
