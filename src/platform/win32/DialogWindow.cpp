#include "platform/win32/DialogWindow.h"

#include <stdexcept>
#include <vector>

#include "platform/Trace.h"
#include "platform/win32/Strconv.h"
#include "platform/win32/WindowBase.h"

namespace pw::win32 {

namespace {

// Style of a fixed dialog: caption and close box, no minimise or maximise box, no resizing.
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;

}  // namespace

DialogWindow::~DialogWindow() { DestroyDialogWindow(); }

void DialogWindow::CreateDialogWindow(HINSTANCE instance, Win32EventLoop& loop,
                                      float clientWidthTwips, float clientHeightTwips) {
  loop_ = &loop;
  // An empty template: no menu, the dialog class, no title, no controls. The window is
  // sized in WM_INITDIALOG, because the template's dialog units do not follow twips.
  std::vector<WORD> buffer(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
  auto* dlg = reinterpret_cast<DLGTEMPLATE*>(buffer.data());
  dlg->style = kDialogStyle;
  dlg->dwExtendedStyle = 0;
  dlg->cdit = 0;
  HWND hwnd = CreateDialogIndirectParamW(instance, dlg, nullptr, &DialogWindow::Thunk,
                                         reinterpret_cast<LPARAM>(this));
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
  loop.AddDialogWindow(hwnd);
}

void DialogWindow::Detach() {
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
  if (loop_) loop_->RemoveDialogWindow(hwnd_);
}

void DialogWindow::DestroyDialogWindow() {
  if (!hwnd_) return;
  HWND hwnd = hwnd_;
  Detach();
  hwnd_ = nullptr;
  DestroyWindow(hwnd);
}

HWND DialogWindow::AddControl(const wchar_t* className, const std::string& text, DWORD style,
                              int id, float left, float top, float width, float height,
                              DWORD exStyle) {
  HWND control = CreateWindowExW(exStyle, className, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                 TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                                 TwipsToPixels(height), hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE)),
                                 nullptr);
  if (!control) throw std::runtime_error("CreateWindowExW failed for a control");
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont()), FALSE);
  return control;
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
  if (!hwnd_) return;
  ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(hwnd_);
}

INT_PTR CALLBACK DialogWindow::Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogWindow* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<DialogWindow*>(lParam);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
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
  self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    self->Detach();
    self->hwnd_ = nullptr;
    return FALSE;
  }
  // No exception may cross back into the dialog manager. The handler may have destroyed the
  // window and its object, so nothing of self is touched after it.
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    TraceIgnored("DialogWindow: dialog message");
    return FALSE;
  }
}

}  // namespace pw::win32
