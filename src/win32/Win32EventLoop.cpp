#include "win32/Win32EventLoop.h"

#include <algorithm>

namespace pw::win32 {

void Win32EventLoop::DoEvents() {
  if (quitting_) return;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      SeeQuit(msg);
      return;
    }
    Dispatch(msg);
  }
}

bool Win32EventLoop::WaitOne() {
  if (quitting_) return false;
  MSG msg;
  BOOL got = GetMessageW(&msg, nullptr, 0, 0);
  if (got == 0) {
    SeeQuit(msg);
    return false;
  }
  if (got < 0) return false;
  Dispatch(msg);
  return true;
}

int Win32EventLoop::Run() {
  while (WaitOne()) {
  }
  return exitCode_;
}

void Win32EventLoop::SeeQuit(const MSG& msg) {
  quitting_ = true;
  exitCode_ = static_cast<int>(msg.wParam);
  // The loop that took WM_QUIT off the queue may be a nested one; the outer loops must see it too.
  PostQuitMessage(exitCode_);
}

void Win32EventLoop::SetAccelerators(HWND window, HACCEL table) {
  acceleratorWindow_ = window;
  accelerators_ = table;
}

void Win32EventLoop::AddDialogWindow(HWND window) {
  if (std::find(dialogs_.begin(), dialogs_.end(), window) == dialogs_.end()) {
    dialogs_.push_back(window);
  }
}

void Win32EventLoop::RemoveDialogWindow(HWND window) { std::erase(dialogs_, window); }

void Win32EventLoop::Dispatch(MSG& msg) {
  if (accelerators_ && acceleratorWindow_ && IsWindow(acceleratorWindow_) &&
      (msg.hwnd == acceleratorWindow_ || IsChild(acceleratorWindow_, msg.hwnd)) &&
      TranslateAcceleratorW(acceleratorWindow_, accelerators_, &msg)) {
    return;
  }
  if (msg.hwnd && !dialogs_.empty()) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (std::find(dialogs_.begin(), dialogs_.end(), root) != dialogs_.end() &&
        IsDialogMessageW(root, &msg)) {
      return;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace pw::win32
