// The sign-in window: a line of text, the account once known, and "Abbrechen".
#include "win32/SignInWindow.h"

#include "common/Texts.h"
#include "win32/Strconv.h"

namespace pw::win32 {
namespace {

constexpr int kTextId = 3001;
constexpr int kAccountId = 3002;

}  // namespace

SignInWindow::SignInWindow(HINSTANCE instance, Win32EventLoop& loop) {
  CreateDialogWindow(instance, loop, 4800, 1500);
  SetWindowTextW(Hwnd(), Widen(kSignInCaption).c_str());
}

SignInWindow::~SignInWindow() { Close(); }

void SignInWindow::OnInitDialog() {
  AddControl(L"STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, kTextId, 120, 120, 4560, 300);
  AddControl(L"STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, kAccountId, 120, 480, 4560, 300);
  AddControl(L"BUTTON", kButtonCancelAccel, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
             IDCANCEL, 3480, 960, 1200, 375);
}

void SignInWindow::Show(const std::string& text) {
  SetItemText(kTextId, text);
  ShowAndActivate();
}

void SignInWindow::SetAccount(const std::string& text) { SetItemText(kAccountId, text); }

void SignInWindow::Close() {
  if (Hwnd()) Destroy();
}

INT_PTR SignInWindow::HandleDialogMessage(UINT message, WPARAM wParam, LPARAM) {
  // "Abbrechen", Escape and the close box all cancel; the waiting sign-in closes the window.
  if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE) {
    cancelled_ = true;
    return TRUE;
  }
  return FALSE;
}

}  // namespace pw::win32
