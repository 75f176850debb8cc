#include "win32/DialogWindow.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "platform/Trace.h"
#include "win32/CommandIds.h"
#include "win32/Strconv.h"

namespace pw::win32 {

namespace {

// Style of a fixed dialog: caption and close box, no minimise or maximise box, no resizing.
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;

// The dialog manager of Windows 10 1703 and later scales a dialog by its own rules when the
// dialog moves to a screen of another DPI; these dialogs lay themselves out (LayOutForDpi)
// and turn that off. Looked up at run time: older systems and Wine may not have it.
void KeepDialogManagerFromScaling(HWND dialog) {
  using SetBehavior = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
  static const auto set = reinterpret_cast<SetBehavior>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")));
  if (set) set(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

}  // namespace

void DialogWindow::CreateDialogWindow(HINSTANCE instance, Win32EventLoop& loop,
                                      float clientWidthTwips, float clientHeightTwips) {
  // A template without controls, menu, class or title: a window of the system's dialog class
  // "#32770", which screen readers and UI Automation know as a dialog. The window is sized
  // below, because the template's dialog units do not follow twips.
  std::vector<WORD> buffer(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
  auto* dlg = reinterpret_cast<DLGTEMPLATE*>(buffer.data());
  dlg->style = kDialogStyle;
  dlg->dwExtendedStyle = 0;
  dlg->cdit = 0;
  HWND hwnd = CreateDialogIndirectParamW(instance, dlg, nullptr, &DialogWindow::DialogProc,
                                         reinterpret_cast<LPARAM>(this));
  if (!hwnd) throw std::runtime_error("CreateDialogIndirectParamW failed");
  KeepDialogManagerFromScaling(hwnd);

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

INT_PTR CALLBACK DialogWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    // The create parameter is the object; from here on the window's DWLP_USER finds it, until
    // Destroy or WM_NCDESTROY cuts it off.
    auto* self = reinterpret_cast<DialogWindow*>(lParam);
    self->AttachDialog(hwnd);
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
  auto* self = static_cast<DialogWindow*>(AttachedDialog(hwnd));
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    self->WindowGone();
    return FALSE;
  }
  if (message == WM_DPICHANGED && lParam) {
    self->LayOutForDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    return TRUE;
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
