// The three account dialogs as real windows: controls, keys, and an account added through
// fmNew landing in the registry.
#include <gtest/gtest.h>

#include <cwctype>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "accounts/AccountDialogs.h"
#include "accounts/AccountStore.h"
#include "accounts/Passwort.h"
#include "common/Texts.h"
#include "common/Windows1252.h"
#include "registry/SettingsStore.h"
#include "substitute/FakeTimers.h"
#include "tests/win32/Win32TestSupport.h"
#include "win32/AccountDialogWindows.h"
#include "win32/CommandIds.h"
#include "win32/Strconv.h"
#include "win32/Win32Registry.h"
// After windows.h, which the headers above bring in.
#include <oleacc.h>  // NOLINT(build/include_order)

namespace pw::win32 {
namespace {

constexpr char kBenutzer[] = "Software\\VB and VBA Program Settings\\Mail Postwacht\\Benutzer";

std::wstring Text(HWND window) {
  std::wstring text(512, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), 512)));
  return text;
}

LONG_PTR Style(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }

// The account's value exactly as the A functions read it: type and bytes.
struct RawValue {
  DWORD type = 0;
  std::string bytes;
  bool present = false;
};

RawValue ReadRaw(const std::string& ansiName, const char* valueName) {
  RawValue out;
  HKEY key = nullptr;
  const std::string path = std::string(kBenutzer) + "\\" + ansiName;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return out;
  }
  char data[256] = {};
  DWORD size = sizeof data;
  if (RegQueryValueExA(key, valueName, nullptr, &out.type, reinterpret_cast<BYTE*>(data), &size) ==
      ERROR_SUCCESS) {
    out.present = true;
    out.bytes.assign(data, size);
  }
  RegCloseKey(key);
  return out;
}

void DeleteAccount(const std::string& ansiName) {
  const std::string path = std::string(kBenutzer) + "\\" + ansiName;
  RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
}

class AccountDialogWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PW_REQUIRE_DISPLAY();
    timer2_->SetInterval(60000);
    for (const char* name : kNames) DeleteAccount(To1252(name));
  }
  void TearDown() override {
    dialogs_.reset();
    for (const char* name : kNames) DeleteAccount(To1252(name));
  }

  HWND Find(const char* caption) { return FindWindowW(kDialogWindowClass, Widen(caption).c_str()); }
  // A key pressed in a control, through the program's message loop.
  void Key(HWND control, WPARAM key) {
    MSG msg{control, WM_KEYDOWN, key, 0, GetTickCount(), {}};
    loop_.Dispatch(msg);
  }
  void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

  static constexpr const char* kNames[] = {"Wine Prüfung", "Wine Zwei"};

  Win32Registry registry_;
  SettingsStore settings_{registry_};
  AccountStore store_{settings_};
  FakeTimerFactory timers_;
  std::unique_ptr<Timer> timer2_ = timers_.CreateTimer([] {});
  Win32EventLoop loop_;
  AccountDialogWindowFactory views_{GetModuleHandleW(nullptr), loop_};
  std::unique_ptr<AccountDialogs> dialogs_ =
      std::make_unique<AccountDialogs>(views_, settings_, *timer2_);
};

TEST_F(AccountDialogWindowsTest, AddDialogHasItsControlsInTabOrderAndAFixedFrame) {
  dialogs_->ShowNew();
  HWND dlg = Find("Hinzufügen einer Mailbox");
  ASSERT_NE(dlg, nullptr);
  EXPECT_TRUE(IsWindowVisible(dlg));
  EXPECT_EQ(GetWindow(dlg, GW_OWNER), nullptr);
  EXPECT_EQ(Style(dlg) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD), 0);
  EXPECT_NE(Style(dlg) & WS_SYSMENU, 0);

  EXPECT_EQ(Text(GetDlgItem(dlg, kIdLabelAnzeigeName)), L"&Anzeigename:");
  EXPECT_EQ(Text(GetDlgItem(dlg, kIdLabelUserName)), L"&Benutzername:");
  EXPECT_EQ(Text(GetDlgItem(dlg, kIdLabelPassword)), L"&Kennwort:");
  EXPECT_EQ(Text(GetDlgItem(dlg, kIdFrame1)), L" Mail Client");
  EXPECT_EQ(Text(GetDlgItem(dlg, kIdOptionOL)), L"Outlook");
  EXPECT_EQ(Text(GetDlgItem(dlg, kIdOptionTE)), L"Terminalemulation");
  EXPECT_EQ(Text(GetDlgItem(dlg, IDOK)), L"OK");
  EXPECT_EQ(Text(GetDlgItem(dlg, IDCANCEL)), L"Abbrechen");
  HWND password = GetDlgItem(dlg, kIdPassword);
  EXPECT_NE(Style(password) & ES_PASSWORD, 0);
  EXPECT_EQ(SendMessageW(password, EM_GETPASSWORDCHAR, 0, 0), L'*');
  for (int id : {kIdOptionOL, kIdOptionTE}) {
    EXPECT_EQ(Style(GetDlgItem(dlg, id)) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
  }
  EXPECT_NE(Style(GetDlgItem(dlg, kIdOptionOL)) & WS_GROUP, 0);
  EXPECT_EQ(Style(GetDlgItem(dlg, kIdOptionTE)) & WS_GROUP, 0);
  EXPECT_NE(Style(GetDlgItem(dlg, kIdLinkName)) & WS_GROUP, 0);
  EXPECT_EQ(Style(GetDlgItem(dlg, IDOK)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(LOWORD(SendMessageW(dlg, DM_GETDEFID, 0, 0)), IDOK);

  // OK waits for a usable name.
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
  SetWindowTextW(GetDlgItem(dlg, kIdAnzeigeName), L"Wine\\Unter");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
  SetWindowTextW(GetDlgItem(dlg, kIdAnzeigeName), L"Wine Zwei");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
  // A password outside Windows-1252: the line under the fields says why OK is greyed, and the
  // frame and buttons make room for it; a storable one takes it away again.
  HWND hint = GetDlgItem(dlg, kIdOkHint);
  ASSERT_NE(hint, nullptr);
  EXPECT_FALSE(IsWindowVisible(hint));
  RECT okBefore{};
  GetWindowRect(GetDlgItem(dlg, IDOK), &okBefore);
  SetWindowTextW(GetDlgItem(dlg, kIdPassword), Widen("hał").c_str());
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
  EXPECT_TRUE(IsWindowVisible(hint));
  EXPECT_EQ(Text(hint), Widen(kHintPasswordUnusable));
  RECT okMoved{}, hintRect{}, frame{};
  GetWindowRect(GetDlgItem(dlg, IDOK), &okMoved);
  GetWindowRect(hint, &hintRect);
  GetWindowRect(GetDlgItem(dlg, kIdFrame1), &frame);
  EXPECT_GT(okMoved.top, okBefore.top);
  EXPECT_LE(hintRect.bottom, frame.top);
  SetWindowTextW(GetDlgItem(dlg, kIdPassword), L"");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
  EXPECT_FALSE(IsWindowVisible(hint));
  GetWindowRect(GetDlgItem(dlg, IDOK), &okMoved);
  EXPECT_EQ(okMoved.top, okBefore.top);

  std::vector<int> order;
  HWND first = GetDlgItem(dlg, kIdAnzeigeName);
  HWND at = first;
  do {
    order.push_back(GetDlgCtrlID(at));
    at = GetNextDlgTabItem(dlg, at, FALSE);
  } while (at && at != first && order.size() < 20);
  EXPECT_EQ(order, (std::vector<int>{kIdAnzeigeName, kIdUserName, kIdPassword, kIdOptionOL,
                                     kIdOptionTE, kIdLinkName, IDOK, IDCANCEL}));

  // The options are one group.
  Click(GetDlgItem(dlg, kIdOptionOL));
  Click(GetDlgItem(dlg, kIdOptionTE));
  EXPECT_EQ(SendMessageW(GetDlgItem(dlg, kIdOptionOL), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(GetDlgItem(dlg, kIdOptionTE), BM_GETCHECK, 0, 0), BST_CHECKED);

  // Escape is Abbrechen: nothing is written, Timer2 runs again.
  Key(GetDlgItem(dlg, kIdUserName), VK_ESCAPE);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_FALSE(dialogs_->fmNew().Loaded());
  EXPECT_TRUE(timer2_->Enabled());
  EXPECT_FALSE(ReadRaw("Wine Zwei", "NT-USER").present);
}

// What assistive technology goes by: the system's dialog class, also as the real class, and the
// dialog role of the window's client object where the platform's oleacc tells dialogs apart.
void ExpectKnownAsDialog(HWND dlg) {
  wchar_t cls[64] = {};
  GetClassNameW(dlg, cls, 64);
  EXPECT_STREQ(cls, L"#32770");
  RealGetWindowClassW(dlg, cls, 64);
  EXPECT_STREQ(cls, L"#32770");
  IAccessible* accessible = nullptr;
  const HRESULT got =
      AccessibleObjectFromWindow(dlg, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                 reinterpret_cast<void**>(&accessible));
  if (got != S_OK || !accessible) {
    // Wine 8's oleacc has no client object for the dialog class (E_NOINTERFACE).
    ::testing::Test::RecordProperty("oleacc", "no client object for #32770");
    return;
  }
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT role{};
  EXPECT_EQ(S_OK, accessible->get_accRole(self, &role));
  EXPECT_EQ(role.vt, VT_I4);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_DIALOG) << "role " << role.lVal;
  accessible->Release();
}

TEST_F(AccountDialogWindowsTest, EachIsASystemDialogWhoseControlsTabAndAccessKeysReach) {
  CoInitialize(nullptr);
  struct Case {
    void (AccountDialogs::*show)();
    const char* caption;
  };
  for (const Case& c : {Case{&AccountDialogs::ShowNew, "Hinzufügen einer Mailbox"},
                        Case{&AccountDialogs::ShowEdit, "Mailboxen Bearbeiten"},
                        Case{&AccountDialogs::ShowDelete, "Löschen einer Mailbox"}}) {
    SCOPED_TRACE(c.caption);
    ((*dialogs_).*c.show)();
    HWND dlg = Find(c.caption);
    ASSERT_NE(dlg, nullptr);
    ExpectKnownAsDialog(dlg);
    // A name, so that every button is enabled.
    SetWindowTextW(GetDlgItem(dlg, kIdAnzeigeName), L"Wine Zwei");

    std::set<HWND> focusable;
    for (HWND w = GetWindow(dlg, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
      if ((Style(w) & WS_TABSTOP) && IsWindowEnabled(w)) focusable.insert(w);
    }
    std::set<HWND> tabbed;
    for (HWND at = GetNextDlgTabItem(dlg, nullptr, FALSE); at && tabbed.insert(at).second;
         at = GetNextDlgTabItem(dlg, at, FALSE)) {
    }
    EXPECT_EQ(tabbed, focusable);

    // Alt and a label's marked letter, as typed in whatever control has the focus: the focus
    // goes to the field after the label.
    int keys = 0;
    for (HWND label = GetWindow(dlg, GW_CHILD); label; label = GetWindow(label, GW_HWNDNEXT)) {
      const std::wstring text = Text(label);
      const std::size_t amp = text.find(L'&');
      wchar_t cls[16] = {};
      GetClassNameW(label, cls, 16);
      if (lstrcmpiW(cls, L"Static") != 0 || amp == std::wstring::npos || amp + 1 >= text.size())
        continue;
      ++keys;
      HWND field = GetWindow(label, GW_HWNDNEXT);
      SetFocus(GetDlgItem(dlg, IDCANCEL));
      MSG msg{GetFocus(), WM_SYSCHAR,     static_cast<WPARAM>(std::towlower(text[amp + 1])),
              1 << 29,    GetTickCount(), {}};
      loop_.Dispatch(msg);
      HWND focus = GetFocus();
      EXPECT_TRUE(focus == field || IsChild(field, focus)) << Narrow(text);
    }
    EXPECT_GE(keys, 1);
    SendMessageW(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(dlg));
  }
  CoUninitialize();
}

TEST_F(AccountDialogWindowsTest, AnAccountAddedThroughTheWindowLandsInTheRegistry) {
  dialogs_->ShowNew();
  HWND dlg = Find("Hinzufügen einer Mailbox");
  ASSERT_NE(dlg, nullptr);
  SetWindowTextW(GetDlgItem(dlg, kIdAnzeigeName), Widen("Wine Prüfung").c_str());
  SetWindowTextW(GetDlgItem(dlg, kIdUserName), Widen("müller").c_str());
  SetWindowTextW(GetDlgItem(dlg, kIdPassword), Widen("Geheim ä1").c_str());
  Click(GetDlgItem(dlg, kIdOptionTE));
  SetWindowTextW(GetDlgItem(dlg, kIdLinkName), Widen("Büro TE").c_str());
  // Enter presses the default button OK.
  Key(GetDlgItem(dlg, kIdLinkName), VK_RETURN);

  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_TRUE(timer2_->Enabled());
  const std::string key =
      "Wine Pr\xFC"
      "fung";
  const std::pair<const char*, std::string> expected[] = {
      {"NT-USER", std::string("m\xFCller")}, {"PW", Passwort::Speicherform("Geheim ä1")},
      {"Mail-Client-OL", "Falsch"},          {"Mail-Client-TE", "Wahr"},
      {"Mail-Client-TE-Name", "B\xFCro TE"},
  };
  for (const auto& [valueName, text] : expected) {
    RawValue raw = ReadRaw(key, valueName);
    ASSERT_TRUE(raw.present) << valueName;
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ)) << valueName;
    EXPECT_EQ(raw.bytes, text + '\0') << valueName;
  }
  EXPECT_EQ(ReadRaw(key, "PW").bytes, std::string("Dfkfjn#\xE7"
                                                  "2") +
                                          '\0');
  EXPECT_FALSE(ReadRaw(key, "Angezeigt").present);
}

TEST_F(AccountDialogWindowsTest, EditLoadsAChosenNameAndEveryTypedLetter) {
  store_.Write("Wine Zwei", "NT-USER", "zwei");
  store_.Write("Wine Zwei", "PW", Passwort::Umwandeln("pw2"));
  store_.Write("Wine Zwei", "Mail-Client-OL", "Wahr");
  store_.Write("Wine Zwei", "Mail-Client-TE", "Falsch");
  dialogs_->ShowEdit();
  HWND dlg = Find("Mailboxen Bearbeiten");
  ASSERT_NE(dlg, nullptr);
  HWND combo = GetDlgItem(dlg, kIdAnzeigeName);
  EXPECT_EQ(Style(combo) & 3, CBS_DROPDOWN);
  const LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(L"Wine Zwei"));
  ASSERT_NE(index, CB_ERR);

  // A choice from the list: the combo box reports it before its field shows the name.
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(kIdAnzeigeName, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(Text(combo), L"Wine Zwei");
  EXPECT_EQ(Text(GetDlgItem(dlg, kIdUserName)), L"zwei");
  EXPECT_EQ(Text(GetDlgItem(dlg, kIdPassword)), L"pw2");
  EXPECT_EQ(SendMessageW(GetDlgItem(dlg, kIdOptionOL), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));

  // Typing into the field: one more letter names no account.
  HWND edit = GetWindow(combo, GW_CHILD);
  ASSERT_NE(edit, nullptr);
  SendMessageW(edit, EM_SETSEL, 100, 100);
  SendMessageW(edit, WM_CHAR, L'x', 0);
  EXPECT_EQ(Text(combo), L"Wine Zweix");
  EXPECT_EQ(Text(GetDlgItem(dlg, kIdUserName)), L"");
  EXPECT_EQ(SendMessageW(GetDlgItem(dlg, kIdOptionOL), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageW(edit, WM_CHAR, VK_BACK, 0);
  EXPECT_EQ(Text(GetDlgItem(dlg, kIdUserName)), L"zwei");

  // The sign-in's way in: setting the name loads the account.
  SetWindowTextW(GetDlgItem(dlg, kIdUserName), L"anders");
  dialogs_->SetEditAnzeigeName("Wine Zwei");
  EXPECT_EQ(Text(GetDlgItem(dlg, kIdUserName)), L"zwei");

  SendMessageW(dlg, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_TRUE(timer2_->Enabled());
}

TEST_F(AccountDialogWindowsTest, RemoveFillsOnActivationAndEnterIsAbbrechen) {
  store_.Write("Wine Zwei", "NT-USER", "zwei");
  HWND other = CreateWindowExW(0, L"STATIC", L"anderes", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 50, 50,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  dialogs_->ShowDelete();
  HWND dlg = Find("Löschen einer Mailbox");
  ASSERT_NE(dlg, nullptr);
  HWND combo = GetDlgItem(dlg, kIdAnzeigeName);
  auto count = [&] {
    int n = 0;
    const LRESULT all = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < all; ++i) {
      wchar_t item[64] = {};
      SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
      if (std::wstring(item) == L"Wine Zwei") ++n;
    }
    return n;
  };
  EXPECT_EQ(count(), 1);
  SetWindowTextW(combo, L"Wine Zwei");
  SetActiveWindow(other);
  SetActiveWindow(dlg);
  test::PumpFor(50);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(Text(combo), L"Wine Zwei") << "the typed name survives the refill";

  EXPECT_EQ(Style(GetDlgItem(dlg, IDCANCEL)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(LOWORD(SendMessageW(dlg, DM_GETDEFID, 0, 0)), IDCANCEL);
  Key(GetWindow(combo, GW_CHILD), VK_RETURN);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_TRUE(timer2_->Enabled());
  EXPECT_TRUE(ReadRaw("Wine Zwei", "NT-USER").present) << "Enter removes nothing";

  // OK removes the account.
  dialogs_->ShowDelete();
  dlg = Find("Löschen einer Mailbox");
  combo = GetDlgItem(dlg, kIdAnzeigeName);
  SendMessageW(combo, CB_SETCURSEL,
               static_cast<WPARAM>(SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(L"Wine Zwei"))),
               0);
  SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(kIdAnzeigeName, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  ASSERT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
  Click(GetDlgItem(dlg, IDOK));
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_FALSE(ReadRaw("Wine Zwei", "NT-USER").present);
  DestroyWindow(other);
}

}  // namespace
}  // namespace pw::win32
