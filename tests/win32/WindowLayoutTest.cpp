// Every window of the program at the screen's DPI (96 in the unit run, 120 and 144 through
// layout-dpi.sh): no control's text is wider than the control, no label runs into another
// control or past the window's edge, and a long account name is shortened inside its dialog.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "about/FrmAbout.h"
#include "accounts/AccountDialogs.h"
#include "registry/SettingsStore.h"
#include "substitute/FakeAboutView.h"
#include "substitute/FakeDialogs.h"
#include "substitute/FakeRegistry.h"
#include "substitute/FakeTimers.h"
#include "substitute/FakeWindowSystem.h"
#include "support/NewMailRig.h"
#include "win32/AboutWindow.h"
#include "win32/AccountDialogWindows.h"
#include "win32/AttendanceWindow.h"
#include "win32/CommandIds.h"
#include "win32/MainWindow.h"
#include "win32/NewMailWindow.h"
#include "win32/Strconv.h"
#include "win32/Win32Registry.h"
#include "win32/Win32TestSupport.h"
#include "win32/WindowBase.h"

namespace pw::win32 {
namespace {

std::wstring TextOf(HWND window) {
  std::wstring text(1024, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), 1024)));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

RECT RectIn(HWND parent, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The text as drawn: "&x" shows x underlined, "&&" one '&'.
std::wstring Drawn(const std::wstring& text, bool prefixes) {
  if (!prefixes) return text;
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

// Measures in the control's own font, as it draws.
class Measure {
 public:
  explicit Measure(HWND control) : control_(control), dc_(GetDC(control)) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    old_ = SelectObject(dc_, font ? font : GetStockObject(SYSTEM_FONT));
    GetTextMetricsW(dc_, &metrics_);
  }
  ~Measure() {
    SelectObject(dc_, old_);
    ReleaseDC(control_, dc_);
  }
  Measure(const Measure&) = delete;
  Measure& operator=(const Measure&) = delete;

  SIZE Extent(const std::wstring& text) const {
    SIZE size{0, 0};
    GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
  }
  int LineHeight() const { return metrics_.tmHeight; }
  // Height of the text broken into lines of the given width.
  int WrappedHeight(const std::wstring& text, int width) const {
    RECT need{0, 0, width, 0};
    DrawTextW(dc_, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return need.bottom - need.top;
  }

 private:
  HWND control_;
  HDC dc_;
  HGDIOBJ old_ = nullptr;
  TEXTMETRICW metrics_{};
};

std::string Describe(HWND window, HWND control, const std::string& problem) {
  std::wstring text = TextOf(control);
  if (text.size() > 40) text = text.substr(0, 40) + L"...";
  std::ostringstream out;
  out << Narrow(TextOf(window)) << " / " << Narrow(ClassOf(control)) << " \"" << Narrow(text)
      << "\": " << problem;
  return out.str();
}

// A text static: its words fit its width, and its lines its height; one that shortens its
// text with "..." needs only a line's height.
void CheckStatic(HWND window, HWND control, std::vector<std::string>& misfits) {
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  const LONG_PTR type = style & SS_TYPEMASK;
  if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP &&
      type != SS_SIMPLE) {
    return;
  }
  const std::wstring text = Drawn(TextOf(control), !(style & SS_NOPREFIX));
  if (text.empty()) return;
  RECT client{};
  GetClientRect(control, &client);
  const Measure measure(control);
  const SIZE whole = measure.Extent(text);
  std::ostringstream need;
  need << "text " << whole.cx << "x" << whole.cy << " px in " << client.right << "x"
       << client.bottom;
  if (measure.LineHeight() > client.bottom)
    misfits.push_back(Describe(window, control, need.str()));
  if (style & (SS_ENDELLIPSIS | SS_PATHELLIPSIS | SS_WORDELLIPSIS)) return;
  const bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
  if (!wraps || measure.LineHeight() * 2 > client.bottom) {
    if (whole.cx > client.right) misfits.push_back(Describe(window, control, need.str()));
    return;
  }
  std::wistringstream words(text);
  for (std::wstring word; words >> word;) {
    if (measure.Extent(word).cx > client.right) {
      misfits.push_back(Describe(window, control, "the word " + Narrow(word) + " is cut"));
    }
  }
  if (measure.WrappedHeight(text, client.right) > client.bottom) {
    misfits.push_back(Describe(window, control, "its lines are cut at the bottom"));
  }
}

// A button's caption beside its box, inside its edges, or on its frame.
void CheckButton(HWND window, HWND control, std::vector<std::string>& misfits) {
  const LONG_PTR kind = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  const std::wstring text = Drawn(TextOf(control), true);
  if (text.empty()) return;
  RECT client{};
  GetClientRect(control, &client);
  const Measure measure(control);
  int need = measure.Extent(text).cx;
  if (kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON || kind == BS_CHECKBOX ||
      kind == BS_AUTOCHECKBOX) {
    need += GetSystemMetrics(SM_CXMENUCHECK) + Scaled(2);
  } else if (kind == BS_GROUPBOX) {
    need += Scaled(12);
  } else {
    need += 4 * GetSystemMetrics(SM_CXEDGE);
  }
  if (need > client.right || measure.LineHeight() > client.bottom) {
    std::ostringstream text_need;
    text_need << "needs " << need << " px, has " << client.right;
    misfits.push_back(Describe(window, control, text_need.str()));
  }
}

// Everything wrong with the window's controls, one line each.
std::vector<std::string> Misfits(HWND window) {
  std::vector<std::string> misfits;
  RECT client{};
  GetClientRect(window, &client);
  std::vector<HWND> children;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (IsWindowVisible(c)) children.push_back(c);
  }
  for (HWND c : children) {
    const RECT rect = RectIn(window, c);
    if (rect.left < 0 || rect.top < 0 || rect.right > client.right || rect.bottom > client.bottom) {
      misfits.push_back(Describe(window, c, "reaches past the window's edge"));
    }
    const std::wstring cls = ClassOf(c);
    if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
      CheckStatic(window, c, misfits);
      // A label lies on nothing but a frame around it.
      for (HWND other : children) {
        if (other == c) continue;
        if ((GetWindowLongPtrW(other, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX &&
            lstrcmpiW(ClassOf(other).c_str(), L"Button") == 0) {
          continue;
        }
        RECT overlap{};
        const RECT theirs = RectIn(window, other);
        if (IntersectRect(&overlap, &rect, &theirs)) {
          misfits.push_back(Describe(window, c, "lies on " + Narrow(TextOf(other))));
        }
      }
    } else if (lstrcmpiW(cls.c_str(), L"Button") == 0) {
      CheckButton(window, c, misfits);
    }
  }
  return misfits;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\n";
  return out;
}

class WindowLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The program declares itself DPI-aware in its manifest; the test program says so here,
    // or the system would give it 96 DPI and stretch its windows.
    SetProcessDPIAware();
    PW_REQUIRE_DISPLAY();
    test::InitControls();
    if (const char* want = std::getenv("PW_LAYOUT_DPI")) {
      ASSERT_EQ(ScreenDpi(), std::atoi(want)) << "the prefix's LogPixels did not take";
    }
    RecordProperty("dpi", ScreenDpi());
  }
  void TearDown() override { test::DrainQuit(); }

  Win32EventLoop loop_;
};

TEST_F(WindowLayoutTest, NewMailDialogShortensA255CharacterNameInsideItself) {
  struct Views {
    Win32EventLoop loop;
    NewMailWindowFactory views{GetModuleHandleW(nullptr), loop,
                               LoadIconW(nullptr, IDI_APPLICATION)};
  } win32;
  pw::test::NewMailRig rig(win32.views);
  const std::string name(255, 'W');
  rig.AddAccount(name, "Wahr", "Falsch");
  rig.AddAccount("Anna", "Wahr", "Falsch");
  for (const std::string& shown : {std::string("Anna"), name}) {
    rig.Announce(shown);
    HWND dialog = nullptr;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kNewMailWindowClass, nullptr));) {
      for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (TextOf(c) == Widen(shown)) dialog = w;
      }
    }
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Misfits(dialog), std::vector<std::string>{}) << Lines(Misfits(dialog));
  }
}

TEST_F(WindowLayoutTest, AccountDialogsFit) {
  Win32Registry registry;
  SettingsStore settings{registry};
  FakeTimerFactory timers;
  std::unique_ptr<Timer> timer2 = timers.CreateTimer([] {});
  AccountDialogWindowFactory views{GetModuleHandleW(nullptr), loop_};
  AccountDialogs dialogs(views, settings, *timer2);
  dialogs.ShowNew();
  dialogs.ShowEdit();
  dialogs.ShowDelete();
  for (const char* caption :
       {"Hinzufügen einer Mailbox", "Mailboxen Bearbeiten", "Löschen einer Mailbox"}) {
    HWND dialog = FindWindowW(kDialogWindowClass, Widen(caption).c_str());
    ASSERT_NE(dialog, nullptr) << caption;
    EXPECT_EQ(Misfits(dialog), std::vector<std::string>{}) << Lines(Misfits(dialog));
  }
}

TEST_F(WindowLayoutTest, AboutBoxFits) {
  FakeRegistry registry;
  FakeWindowSystem windows;
  FakeDialogs dialogs;
  FakeVersionInfo version;
  FakeTimerFactory timers;
  std::unique_ptr<Timer> timer2 = timers.CreateTimer([] {});
  AboutWindowFactory views{GetModuleHandleW(nullptr), loop_};
  FrmAbout about(views, AboutServices{registry, windows, dialogs, version}, *timer2);
  about.Show();
  HWND box = FindWindowW(kDialogWindowClass, L"Info zu Postwacht");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Misfits(box), std::vector<std::string>{}) << Lines(Misfits(box));
}

// Windows moves a window to a screen of another scale and suggests its rectangle there: the
// window takes it, and its controls fit again at that DPI.
void MoveToScreenOfDpi(HWND window, int dpi) {
  SCOPED_TRACE(Narrow(TextOf(window)));
  RECT before{};
  GetWindowRect(window, &before);
  HWND first = GetWindow(window, GW_CHILD);
  ASSERT_NE(first, nullptr);
  const RECT child = RectIn(window, first);
  RECT suggested{before.left, before.top,
                 before.left + MulDiv(before.right - before.left, dpi, ScreenDpi()),
                 before.top + MulDiv(before.bottom - before.top, dpi, ScreenDpi())};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  RECT after{};
  GetWindowRect(window, &after);
  EXPECT_TRUE(EqualRect(&after, &suggested));
  const RECT moved = RectIn(window, first);
  // At least as much larger as the window (a control that fills the client area grows more).
  EXPECT_GE(moved.right - moved.left, MulDiv(child.right - child.left, dpi, ScreenDpi()) - 1);
  EXPECT_EQ(Misfits(window), std::vector<std::string>{}) << Lines(Misfits(window));
}

TEST_F(WindowLayoutTest, WindowsMovedToAScreenOfAnotherScaleFitThere) {
  const int dpi = ScreenDpi() * 3 / 2;
  Win32Registry registry;
  SettingsStore settings{registry};
  FakeTimerFactory timers;
  std::unique_ptr<Timer> timer2 = timers.CreateTimer([] {});
  AccountDialogWindowFactory views{GetModuleHandleW(nullptr), loop_};
  AccountDialogs dialogs(views, settings, *timer2);
  dialogs.ShowNew();
  dialogs.ShowDelete();
  for (const char* caption : {"Hinzufügen einer Mailbox", "Löschen einer Mailbox"}) {
    MoveToScreenOfDpi(FindWindowW(kDialogWindowClass, Widen(caption).c_str()), dpi);
  }
  FakeRegistry fakeRegistry;
  FakeWindowSystem windows;
  FakeDialogs fakeDialogs;
  FakeVersionInfo version;
  AboutWindowFactory aboutViews{GetModuleHandleW(nullptr), loop_};
  FrmAbout about(aboutViews, AboutServices{fakeRegistry, windows, fakeDialogs, version}, *timer2);
  about.Show();
  MoveToScreenOfDpi(FindWindowW(kDialogWindowClass, L"Info zu Postwacht"), dpi);
  MainWindow main(GetModuleHandleW(nullptr), loop_);
  main.Show();
  MoveToScreenOfDpi(main.Hwnd(), dpi);
}

struct NoAttendanceEvents : AttendanceEvents {
  void Form_Resize() override {}
  void cmdOK_Click() override {}
  void cmdCancel_Click() override {}
  void Form_CloseBox() override {}
};

TEST_F(WindowLayoutTest, MainAndAttendanceWindowsFit) {
  MainWindow main(GetModuleHandleW(nullptr), loop_);
  main.Show();
  EXPECT_EQ(Misfits(main.Hwnd()), std::vector<std::string>{}) << Lines(Misfits(main.Hwnd()));
  NoAttendanceEvents events;
  AttendanceWindow attendance(GetModuleHandleW(nullptr), loop_, events);
  attendance.AddRow("1;Büro Anna");
  attendance.Show();
  EXPECT_EQ(Misfits(attendance.Hwnd()), std::vector<std::string>{})
      << Lines(Misfits(attendance.Hwnd()));
  attendance.Close();
}

}  // namespace
}  // namespace pw::win32
