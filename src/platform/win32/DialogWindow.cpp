#include "platform/win32/DialogWindow.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "platform/win32/CommandIds.h"
#include "platform/Trace.h"
#include "platform/win32/Strconv.h"

namespace pw::win32 {

namespace {

// Style of a fixed dialog: caption and close box, no minimise or maximise box, no resizing.
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;

}  // namespace

void DialogWindow::CreateDialogWindow(HINSTANCE instance, Win32EventLoop& loop,
                                      float clientWidthTwips, float clientHeightTwips) {
  // A class as the system's dialog class ("#32770"), with the room that the dialog manager keeps
  // in every dialog window (DLGWINDOWEXTRA).
  RegisterClassOnce(instance, kDialogWindowClass, nullptr, nullptr, nullptr,
                    &DialogWindow::ClassProc, DLGWINDOWEXTRA, CS_DBLCLKS | CS_SAVEBITS);
  // A template without controls: no menu, the program's dialog class, no title. The window is
  // sized below, because the template's dialog units do not follow twips.
  const std::wstring className = kDialogWindowClass;
  std::vector<WORD> buffer(sizeof(DLGTEMPLATE) / sizeof(WORD) + className.size() + 3, 0);
  auto* dlg = reinterpret_cast<DLGTEMPLATE*>(buffer.data());
  dlg->style = kDialogStyle;
  dlg->dwExtendedStyle = 0;
  dlg->cdit = 0;
  std::copy(className.begin(), className.end(),
            buffer.begin() + sizeof(DLGTEMPLATE) / sizeof(WORD) + 1);
  ExpectWindow(this);
  HWND hwnd = CreateDialogIndirectParamW(instance, dlg, nullptr, &DialogWindow::DialogProc, 0);
  ExpectWindow(nullptr);
  if (!hwnd) throw std::runtime_error("CreateDialogIndirectParamW failed");

  RECT rect{0, 0, TwipsToPixels(clientWidthTwips), TwipsToPixels(clientHeightTwips)};
  AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  TakeDialogKeys(loop);
}

HWND DialogWindow::AddControl(const wchar_t* className, const std::string& text, DWORD style,
                              int id, float left, float top, float width, float height,
                              DWORD exStyle) {
  return WindowBase::AddControl(className, Widen(text), style, id, left, top, width, height,
                                exStyle);
}

std::string DialogWindow::ItemText(int id) const {
  HWND control = Item(id);
  const int n = GetWindowTextLengthW(control);
  if (n <= 0) return {};
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(control, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return Narrow(text);
}

void DialogWindow::SetItemText(int id, const std::string& text) {
  SetWindowTextW(Item(id), Widen(text).c_str());
}

void DialogWindow::ShowAndActivate() {
  if (!Hwnd()) return;
  ShowWindow(Hwnd(), IsIconic(Hwnd()) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(Hwnd());
}

LRESULT CALLBACK DialogWindow::ClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(hwnd, message, wParam, lParam, DefDlgProcW);
}

INT_PTR CALLBACK DialogWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The window procedure has stored the object on WM_NCCREATE, and cut it off before the
  // window's destruction.
  auto* self = static_cast<DialogWindow*>(
      reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
  if (!self) return FALSE;
  if (message == WM_INITDIALOG) {
    try {
      self->OnInitDialog();
    } catch (...) {
      // A control that could not be created leaves the dialog without it.
      TraceIgnored("DialogWindow: WM_INITDIALOG");
    }
    // FALSE: giving a control the focus now would activate the hidden window, and its
    // activation would come before the form holds the view. The first activation puts the
    // focus on the first control in the tab order instead.
    return FALSE;
  }
  // No exception may cross back into the dialog manager. The handler may have destroyed the
  // window and its object, so nothing of self is touched after it.
  try {
    return self->HandleDialogMessage(message, wParam, lParam);
  } catch (...) {
    TraceIgnored("DialogWindow: dialog message");
    return FALSE;
  }
}

}  // namespace pw::win32
