// The main window as a person and the system meet it: caption, frame, menus, tray callback,
// close events, tree and status bar.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/MainWindow.h"
#include "win32/Strconv.h"
#include "win32/Win32TestSupport.h"

namespace pw::win32 {
namespace {

struct Recorder : MainWindowEvents {
  void Form_Activate() override { ++activations; }
  void Form_Paint() override { ++paints; }
  void Form_Resize() override { resizes.push_back(window->State()); }
  void Form_MouseMove(int message) override { tray.push_back(message); }
  bool RequestUnload(int mode) override {
    unloads.push_back(mode);
    return false;
  }
  void mRefresh_Click() override { menu.push_back(kCmdRefresh); }
  void mAnwesenheit_Click() override { menu.push_back(kCmdAnwesenheit); }
  void mBeenden_Click() override { menu.push_back(kCmdBeenden); }
  void mEdit_Click() override { menu.push_back(kCmdEdit); }
  void mNew_Click() override { menu.push_back(kCmdNew); }
  void mDelete_Click() override { menu.push_back(kCmdDelete); }
  void mAbout_Click() override { menu.push_back(kCmdAbout); }
  void mPopRestore_Click() override { menu.push_back(kCmdPopRestore); }
  void mAnwesenheitTray_Click() override { menu.push_back(kCmdAnwesenheitTray); }
  void mPopExit_Click() override { menu.push_back(kCmdPopExit); }
  void mAnmelden_Click() override { menu.push_back(kCmdAnmelden); }
  void mRefreshTray_Click() override { menu.push_back(kCmdRefreshTray); }
  void Anzeige_NodeSelected(std::int32_t& index) override { selected.push_back(index); }
  void Anzeige_Click() override { ++clicks; }
  void Anzeige_DblClick() override { ++doubleClicks; }
  void TaskbarCreated() override { ++taskbars; }

  MainWindowView* window = nullptr;
  int activations = 0, paints = 0, clicks = 0, doubleClicks = 0, taskbars = 0;
  std::vector<WindowState> resizes;
  std::vector<int> tray, unloads, selected;
  std::vector<MenuCommand> menu;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PW_REQUIRE_DISPLAY();
    test::InitControls();
    window_ = std::make_unique<MainWindow>(GetModuleHandleW(nullptr), loop_);
    events_.window = window_.get();
    window_->Attach(&events_);
  }
  void TearDown() override {
    window_.reset();
    test::DrainQuit();
  }
  HWND Hwnd() const { return window_->Hwnd(); }

  Win32EventLoop loop_;
  Recorder events_;
  std::unique_ptr<MainWindow> window_;
};

std::wstring MenuText(HMENU menu, UINT position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
  return text;
}

std::vector<std::wstring> MenuTexts(HMENU menu) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    texts.push_back(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR
                        ? L"-"
                        : MenuText(menu, static_cast<UINT>(i)));
  }
  return texts;
}

TEST_F(MainWindowTest, HasTheCaptionFrameSizeAndNoTaskbarButton) {
  wchar_t caption[64] = {};
  GetWindowTextW(Hwnd(), caption, 64);
  EXPECT_EQ(Widen("e-mail @ Velkor?"), caption);
  LONG style = GetWindowLongW(Hwnd(), GWL_STYLE);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(GetWindowLongW(Hwnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
  HWND owner = GetWindow(Hwnd(), GW_OWNER);
  ASSERT_NE(nullptr, owner);  // owned windows have no taskbar button
  EXPECT_FALSE(IsWindowVisible(owner));
  EXPECT_FALSE(window_->Visible());

  RECT outer{};
  GetWindowRect(Hwnd(), &outer);
  EXPECT_EQ(TwipsToPixels(5070), outer.right - outer.left);
  EXPECT_EQ(TwipsToPixels(3540), outer.bottom - outer.top);
  window_->SetLeftTwips(1500);
  window_->SetTopTwips(900);
  EXPECT_FLOAT_EQ(PixelsToTwips(TwipsToPixels(1500)), window_->LeftTwips());
  EXPECT_FLOAT_EQ(PixelsToTwips(TwipsToPixels(900)), window_->TopTwips());
  if (ScreenDpi() == 96) {
    EXPECT_FLOAT_EQ(1500, window_->LeftTwips());
  }
}

TEST_F(MainWindowTest, MenusCarryTheirCaptionsAndShortcuts) {
  HMENU bar = GetMenu(Hwnd());
  EXPECT_EQ((std::vector<std::wstring>{L"&Daten", L"&Mailboxes", L"&Hilfe"}), MenuTexts(bar));
  EXPECT_EQ((std::vector<std::wstring>{L"&neu einlesen\tF5", L"&Anwesenheit\tStrg+A",
                                       L"An&melden ...", L"-", L"&Beenden"}),
            MenuTexts(GetSubMenu(bar, 0)));
  EXPECT_EQ((std::vector<std::wstring>{L"&Bearbeiten\tStrg+B", L"-", Widen("&Hinzufügen\tStrg+N"),
                                       L"&Entfernen\tEntf"}),
            MenuTexts(GetSubMenu(bar, 1)));
  EXPECT_EQ((std::vector<std::wstring>{Widen("&Hilfer über ...\tF1")}),
            MenuTexts(GetSubMenu(bar, 2)));
  EXPECT_EQ((std::vector<std::wstring>{L"Anzeigen", L"Anwesenheit", L"Beenden", L"neu einlesen!"}),
            MenuTexts(window_->TrayMenu()));
  EXPECT_EQ(static_cast<UINT>(kCmdNew), GetMenuItemID(GetSubMenu(bar, 1), 2));
  EXPECT_EQ(static_cast<UINT>(kCmdPopExit), GetMenuItemID(window_->TrayMenu(), 2));

  SendMessageW(Hwnd(), WM_COMMAND, kCmdBeenden, 0);
  // The shortcuts work through the loop's accelerators, also with the focus in the tree.
  for (WPARAM key : {VK_F5, VK_DELETE, VK_F1}) {
    PostMessageW(window_->Anzeige().Hwnd(), WM_KEYDOWN, key, 1);
  }
  loop_.DoEvents();
  EXPECT_EQ((std::vector<MenuCommand>{kCmdBeenden, kCmdRefresh, kCmdDelete, kCmdAbout}),
            events_.menu);
}

TEST_F(MainWindowTest, TrayCallbacksAreToldApartFromMouseMoves) {
  SendMessageW(Hwnd(), WM_MOUSEMOVE, kTrayIconId, WM_LBUTTONUP);
  SendMessageW(Hwnd(), WM_MOUSEMOVE, kTrayIconId, WM_RBUTTONUP);
  SendMessageW(Hwnd(), WM_MOUSEMOVE, kTrayIconId, WM_MOUSEMOVE);
  SendMessageW(Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(12, 30));             // a real move
  SendMessageW(Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0x202, 4));  // a drag
  SendMessageW(Hwnd(), WM_MOUSEMOVE, 0, WM_LBUTTONUP);                   // no icon id
  EXPECT_EQ((std::vector<int>{0x202, 0x205, 0x200}), events_.tray);
  EXPECT_FALSE(IsTrayCallback(MK_LBUTTON, MAKELPARAM(0x202, 1)));
  EXPECT_TRUE(IsTrayCallback(1, WM_LBUTTONDBLCLK));
}

TEST_F(MainWindowTest, ClosesAreReportedWithTheirUnloadModesAndNeverCloseByThemselves) {
  SendMessageW(Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);  // close box, system menu, Alt+F4
  SendMessageW(Hwnd(), WM_CLOSE, 0, 0);              // from outside: Task Manager, taskkill
  EXPECT_TRUE(SendMessageW(Hwnd(), WM_QUERYENDSESSION, 0, 0));
  SendMessageW(Hwnd(), WM_ENDSESSION, FALSE, 0);  // the shutdown was called off
  SendMessageW(Hwnd(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ((std::vector<int>{0, 3, 2}), events_.unloads);
  EXPECT_TRUE(IsWindow(Hwnd()));

  HWND hwnd = Hwnd();
  window_->Close();
  EXPECT_FALSE(IsWindow(hwnd));
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  window_->Close();  // twice is harmless
  EXPECT_EQ(0u, window_->Handle());
}

TEST_F(MainWindowTest, StatesRaiseResizeAndShowingActivatesOncePerShowing) {
  window_->Show();
  EXPECT_TRUE(window_->Visible());
  EXPECT_EQ(1, events_.activations);
  window_->Refresh();
  EXPECT_GE(events_.paints, 1);

  events_.resizes.clear();
  window_->SetState(WindowState::Minimized);
  ASSERT_FALSE(events_.resizes.empty());
  EXPECT_EQ(WindowState::Minimized, events_.resizes.back());
  EXPECT_EQ(WindowState::Minimized, window_->State());
  window_->Hide();
  EXPECT_FALSE(window_->Visible());

  events_.resizes.clear();
  window_->SetState(WindowState::Normal);
  ASSERT_FALSE(events_.resizes.empty());
  EXPECT_EQ(WindowState::Normal, events_.resizes.back());
  window_->Show();
  EXPECT_EQ(2, events_.activations);
}

std::wstring ItemText(HWND tree, HTREEITEM item) {
  wchar_t text[128] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = 128;
  TreeView_GetItem(tree, &tv);
  return text;
}

TEST_F(MainWindowTest, TreeShowsTextsWithCountsAndReportsSelections) {
  TreeControl& tree = window_->Anzeige();
  HWND tv = window_->Anzeige().Hwnd();
  tree.AddNode("Jürgen", 0, 1, 1, 2, 1);
  tree.AddNode("Nachrichten ungelesen", 0, 2, 3, 3, 3);
  tree.SetAccountTag(1, "Jürgen");
  tree.SetCountText(1, "(3)");
  tree.AddNode("Nachrichten gesamt", 0, 2, 4, 4, 4);
  tree.SetCountText(2, "(12)");
  tree.AddNode("Anna", 0, 1, 1, 2, 1);

  ASSERT_EQ(4, tree.NodeCount());
  EXPECT_EQ(4u, TreeView_GetCount(tv));
  HTREEITEM account = TreeView_GetRoot(tv);
  HTREEITEM unread = TreeView_GetChild(tv, account);
  EXPECT_EQ(Widen("Jürgen"), ItemText(tv, account));
  EXPECT_EQ(L"Nachrichten ungelesen (3)", ItemText(tv, unread));
  EXPECT_EQ(L"Nachrichten gesamt (12)", ItemText(tv, TreeView_GetNextSibling(tv, unread)));
  EXPECT_EQ(L"Anna", ItemText(tv, TreeView_GetNextSibling(tv, account)));
  EXPECT_EQ("Nachrichten ungelesen", tree.NodeText(1));
  EXPECT_EQ("(3)", tree.CountText(1));
  EXPECT_EQ("Jürgen", tree.AccountTag(1));
  EXPECT_EQ(2, tree.NodeDepth(2));
  EXPECT_THROW(tree.NodeText(4), std::out_of_range);

  EXPECT_FALSE(tree.Expanded(0));
  tree.SetExpanded(0, true);
  EXPECT_TRUE(tree.Expanded(0));
  tree.ExpandCollapse(0, false);
  EXPECT_FALSE(tree.Expanded(0));

  TreeView_SelectItem(tv, unread);
  EXPECT_EQ((std::vector<int>{1}), events_.selected);
  tree.Clear();  // the selection going away is no user's doing
  EXPECT_EQ((std::vector<int>{1}), events_.selected);
  EXPECT_EQ(0, tree.NodeCount());
  EXPECT_EQ(0u, TreeView_GetCount(tv));

  NMHDR click{tv, static_cast<UINT_PTR>(kTreeId), static_cast<UINT>(NM_CLICK)};
  SendMessageW(Hwnd(), WM_NOTIFY, kTreeId, reinterpret_cast<LPARAM>(&click));
  click.code = static_cast<UINT>(NM_DBLCLK);
  SendMessageW(Hwnd(), WM_NOTIFY, kTreeId, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(1, events_.clicks);
  EXPECT_EQ(1, events_.doubleClicks);
}

TEST_F(MainWindowTest, StatusBarStartsWithStatus) {
  EXPECT_EQ("Status", window_->StatusBar().PanelText(0));
  window_->StatusBar().SetPanelText(0, "Suchlauf gestartet ... Jürgen");
  EXPECT_EQ("Suchlauf gestartet ... Jürgen", window_->StatusBar().PanelText(0));
  wchar_t shown[64] = {};
  SendMessageW(window_->StatusBar().Hwnd(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(shown));
  EXPECT_EQ(Widen("Suchlauf gestartet ... Jürgen"), shown);
}

}  // namespace
}  // namespace pw::win32
