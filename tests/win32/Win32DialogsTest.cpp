// The input prompt and the message box, answered from a timer while they wait.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "win32/Strconv.h"
#include "win32/Win32Dialogs.h"
#include "win32/Win32TestSupport.h"
#include "win32/Win32Timers.h"

namespace pw::win32 {
namespace {

// Runs the answer once the dialog with the title has come up.
class Answerer {
 public:
  Answerer(Win32TimerFactory& timers, const std::wstring& title, std::function<void(HWND)> answer)
      : timer_(timers.CreateTimer([this, title, answer] {
          HWND dialog = FindWindowW(L"#32770", title.c_str());
          if (!dialog || done_) return;
          done_ = true;
          timer_->SetEnabled(false);
          answer(dialog);
        })) {
    timer_->SetInterval(30);
    timer_->SetEnabled(true);
  }
  bool Done() const { return done_; }

 private:
  bool done_ = false;
  std::unique_ptr<Timer> timer_;
};

std::wstring Text(HWND window) {
  std::wstring text(256, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), 256)));
  return text;
}

TEST(Win32Dialogs, InputBoxGivesTheTypedTextOrEmptyOnCancelAndHoldsTheOtherWindows) {
  PW_REQUIRE_DISPLAY();
  Win32TimerFactory timers(GetModuleHandleW(nullptr));
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 50, 50,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  bool otherDisabled = false;
  std::wstring prompt, edit;
  Answerer typeAndOk(timers, L"Beenden!", [&](HWND dialog) {
    otherDisabled = !IsWindowEnabled(other);
    prompt = Text(GetDlgItem(dialog, kPromptTextId));
    edit = Text(GetDlgItem(dialog, kPromptEditId));
    SetWindowTextW(GetDlgItem(dialog, kPromptEditId), L"kuf");
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  });
  EXPECT_EQ("kuf", dialogs.InputBox("Geben Sie das Beendigungspasswort ein!", "Beenden!"));
  EXPECT_TRUE(typeAndOk.Done());
  EXPECT_TRUE(otherDisabled);
  EXPECT_TRUE(IsWindowEnabled(other));
  EXPECT_EQ(Widen("Geben Sie das Beendigungspasswort ein!"), prompt);
  EXPECT_EQ(L"", edit);  // no preset text

  Answerer typeAndCancel(timers, L"Grüße", [&](HWND dialog) {
    SetWindowTextW(GetDlgItem(dialog, kPromptEditId), L"kuf");
    SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  });
  EXPECT_EQ("", dialogs.InputBox("Ä?", "Grüße"));
  EXPECT_TRUE(typeAndCancel.Done());

  Answerer umlauts(timers, L"Beenden!", [&](HWND dialog) {
    SetWindowTextW(GetDlgItem(dialog, kPromptEditId), L"Kür ");
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ("Kür ", dialogs.InputBox("x", "Beenden!"));
  DestroyWindow(other);
}

BOOL CALLBACK CountChildren(HWND child, LPARAM lParam) {
  auto* counts = reinterpret_cast<std::pair<int, int>*>(lParam);
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (std::wstring(cls) == L"Button") ++counts->first;
  // A box without an icon may still hold an empty, hidden icon control.
  if (std::wstring(cls) == L"Static" && IsWindowVisible(child) &&
      SendMessageW(child, STM_GETICON, 0, 0) != 0) {
    ++counts->second;
  }
  return TRUE;
}

TEST(Win32Dialogs, MsgBoxHasOneButtonAndNoIcon) {
  PW_REQUIRE_DISPLAY();
  Win32TimerFactory timers(GetModuleHandleW(nullptr));
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  std::pair<int, int> buttonsAndIcons{0, 0};
  Answerer ok(timers, L"Falscher Eintrag! Bitte um Änderung!!", [&](HWND box) {
    EnumChildWindows(box, CountChildren, reinterpret_cast<LPARAM>(&buttonsAndIcons));
    SendMessageW(box, WM_COMMAND, IDOK, 0);
  });
  dialogs.MsgBox("Passwort oder Benutzernahme von Anna falsch!",
                 "Falscher Eintrag! Bitte um Änderung!!");
  EXPECT_TRUE(ok.Done());
  EXPECT_EQ(1, buttonsAndIcons.first);
  EXPECT_EQ(0, buttonsAndIcons.second);
}

}  // namespace
}  // namespace pw::win32
