// The new-message dialog's window: layout, tab order, keys, tooltip and close box.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/NewMailRig.h"
#include "win32/NewMailWindow.h"
#include "win32/Win32TestSupport.h"
#include "win32/WindowBase.h"

namespace pw::win32 {
namespace {

std::wstring Text(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

RECT RectIn(HWND dialog, HWND child) {
  RECT rc{};
  GetWindowRect(child, &rc);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

struct Win32Views {
  Win32EventLoop messageLoop;
  NewMailWindowFactory views{GetModuleHandleW(nullptr), messageLoop,
                             LoadIconW(nullptr, IDI_APPLICATION)};
};

struct Rig : Win32Views, pw::test::NewMailRig {
  Rig() : NewMailRig(views) { AddAccount("Anna", "Wahr", "Falsch"); }

  // The dialog's window: the one of its class that was not there before.
  HWND Show(const std::string& name) {
    const std::vector<HWND> before = DialogWindows();
    Announce(name);
    for (HWND w : DialogWindows()) {
      if (std::find(before.begin(), before.end(), w) == before.end()) return w;
    }
    return nullptr;
  }
  static std::vector<HWND> DialogWindows() {
    std::vector<HWND> all;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kNewMailWindowClass, nullptr));) {
      all.push_back(w);
    }
    return all;
  }
  // A key as the keyboard delivers it: to the focused control, through the message loop.
  void Key(HWND target, WPARAM key, bool alt = false) {
    PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, alt ? (1 | (1 << 29)) : 1);
    if (alt) PostMessageW(target, WM_SYSCHAR, key, 1 | (1 << 29));
    messageLoop.DoEvents();
  }
};

TEST(NewMailWindow, LooksAsTheFormSays) {
  PW_REQUIRE_DISPLAY();
  Rig r;
  HWND dialog = r.Show("Anna");
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Text(dialog), L"Neue Nachricht!");
  EXPECT_TRUE(IsWindowVisible(dialog));
  const LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
  // No taskbar button: owned by a window that is never shown.
  EXPECT_FALSE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  ASSERT_NE(GetWindow(dialog, GW_OWNER), nullptr);
  EXPECT_FALSE(IsWindowVisible(GetWindow(dialog, GW_OWNER)));
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, TwipsToPixels(6030));
  EXPECT_EQ(client.bottom, TwipsToPixels(1200));

  // Tab order OK, Open, and round again; the labels take no focus.
  HWND ok = GetNextDlgTabItem(dialog, nullptr, FALSE);
  HWND open = GetNextDlgTabItem(dialog, ok, FALSE);
  EXPECT_EQ(GetNextDlgTabItem(dialog, open, FALSE), ok);
  EXPECT_EQ(Text(ok), L"OK");
  EXPECT_EQ(GetDlgCtrlID(ok), IDCANCEL);
  const RECT okRect = RectIn(dialog, ok);
  EXPECT_EQ(okRect.left, TwipsToPixels(4680));
  EXPECT_EQ(okRect.bottom - okRect.top, TwipsToPixels(375));
  EXPECT_EQ(Text(open), L"Ö&ffnen");
  const RECT openRect = RectIn(dialog, open);
  EXPECT_EQ(openRect.left, TwipsToPixels(120));
  EXPECT_EQ(openRect.right - openRect.left, TwipsToPixels(975));

  std::vector<HWND> labels;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (c != ok && c != open) labels.push_back(c);
  }
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(Text(labels[0]), L"Neue Nachricht für");
  EXPECT_EQ(Text(labels[1]), L"Anna");
  // However wide the desktop font, the name starts after the label, never on it.
  const RECT label = RectIn(dialog, labels[0]);
  const RECT name = RectIn(dialog, labels[1]);
  EXPECT_GE(label.right - label.left, TwipsToPixels(1350));
  EXPECT_GE(name.left, std::max(TwipsToPixels(2640), static_cast<int>(label.right)));
  // NameBox grows with its text.
  HWND longer = r.Show("Buchhaltung und Personalabteilung");
  const RECT longName = RectIn(longer, GetWindow(GetWindow(longer, GW_CHILD), GW_HWNDLAST));
  EXPECT_GT(longName.right - longName.left, 3 * (name.right - name.left));

  HWND tip = nullptr;
  while ((tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
    if (GetWindow(tip, GW_OWNER) == dialog) break;
  }
  ASSERT_NE(tip, nullptr);
  wchar_t text[80] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.lpszText = text;
  ASSERT_TRUE(SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)));
  EXPECT_EQ(reinterpret_cast<HWND>(tool.uId), open);
  EXPECT_EQ(std::wstring(text), L"Mailprogramm Öffnen");
}

TEST(NewMailWindow, EscPressesOkEnterTheFocusedButtonAltFOpen) {
  PW_REQUIRE_DISPLAY();
  Rig r;
  HWND dialog = r.Show("Anna");
  r.Key(GetDlgItem(dialog, IDCANCEL), VK_ESCAPE);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(r.Blinking());
  EXPECT_EQ(r.Tip(), pw::test::kIdle);
  EXPECT_TRUE(r.windows.started.empty());

  dialog = r.Show("Anna");
  HWND open = GetNextDlgTabItem(dialog, GetDlgItem(dialog, IDCANCEL), FALSE);
  SetFocus(open);
  r.Key(open, VK_RETURN);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(r.windows.started.size(), 1u);

  dialog = r.Show("Anna");
  r.Key(GetDlgItem(dialog, IDCANCEL), 'F', true);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(r.windows.started.size(), 2u);
  EXPECT_EQ(r.dialogs.Count(), 0u);
}

TEST(NewMailWindow, CloseBoxUnloadsWithoutAHandler) {
  PW_REQUIRE_DISPLAY();
  Rig r;
  HWND dialog = r.Show("Anna");
  const std::size_t sends = r.shell.calls.size();
  SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(r.dialogs.Count(), 0u);
  EXPECT_EQ(r.shell.calls.size(), sends);
  EXPECT_EQ(r.Tip(), "Neue Nachricht für Anna!");
}

// While the user must not be disturbed: shown, but neither activated nor focused.
TEST(NewMailWindow, AQuietDialogComesUpBelowTheWindowInFrontWithoutTheFocus) {
  PW_REQUIRE_DISPLAY();
  Rig r;
  HWND front = CreateWindowExW(0, L"STATIC", L"Folien", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(front);
  SetForegroundWindow(front);
  r.messageLoop.DoEvents();
  ASSERT_EQ(GetForegroundWindow(), front);
  const std::vector<HWND> before = Rig::DialogWindows();
  r.globals.CurrentAccount = "Anna";
  r.dialogs.Create().ShowWithoutActivating();
  r.messageLoop.DoEvents();
  HWND dialog = nullptr;
  for (HWND w : Rig::DialogWindows()) {
    if (std::find(before.begin(), before.end(), w) == before.end()) dialog = w;
  }
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetForegroundWindow(), front);
  EXPECT_NE(GetFocus(), GetDlgItem(dialog, IDCANCEL));
  // That it lies below the window in front only a real Windows shows: Wine's X11 driver raises
  // a window it maps without a window manager.
  DestroyWindow(front);
}

TEST(NewMailWindow, DialogsCascadeFromTheNewestStillOpenAndStayOnTheWorkArea) {
  PW_REQUIRE_DISPLAY();
  Rig r;
  auto rectOf = [](HWND w) {
    RECT rc{};
    GetWindowRect(w, &rc);
    return rc;
  };
  std::vector<HWND> open;
  for (const char* name : {"Anna", "Bernd", "Clara", "Dora"}) open.push_back(r.Show(name));
  const RECT first = rectOf(open[0]);
  const int step = rectOf(open[1]).left - first.left;
  EXPECT_GT(step, 0);
  for (std::size_t i = 1; i < open.size(); ++i) {
    const RECT previous = rectOf(open[i - 1]), rc = rectOf(open[i]);
    EXPECT_EQ(previous.left + step, rc.left) << i;
    EXPECT_EQ(previous.top + step, rc.top) << i;
  }

  // Closing the newest: the next one takes its place after the one now newest.
  const RECT third = rectOf(open[2]);
  SendMessageW(open[3], WM_CLOSE, 0, 0);
  open.pop_back();
  open.push_back(r.Show("Emil"));
  EXPECT_EQ(third.left + step, rectOf(open.back()).left);
  EXPECT_EQ(third.top + step, rectOf(open.back()).top);

  // Many more run into the edges of the work area and start again from its sides; no two of
  // them hide each other and none leaves the work area.
  for (int i = 0; i < 60; ++i) open.push_back(r.Show("Konto " + std::to_string(i)));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(open[0], MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT work = monitor.rcWork;
  std::vector<std::pair<LONG, LONG>> corners;
  for (HWND w : open) {
    const RECT rc = rectOf(w);
    EXPECT_GE(rc.left, work.left);
    EXPECT_GE(rc.top, work.top);
    EXPECT_LE(rc.right, work.right);
    EXPECT_LE(rc.bottom, work.bottom);
    corners.emplace_back(rc.left, rc.top);
  }
  std::sort(corners.begin(), corners.end());
  EXPECT_EQ(std::adjacent_find(corners.begin(), corners.end()), corners.end());
}

}  // namespace
}  // namespace pw::win32
