// The program's message loop: the run loop of wWinMain, the DoEvents yield and the modal wait,
// all with the main window's accelerators and dialog keys for the modeless windows.
#pragma once

#include <vector>

#include "platform/EventLoop.h"
#include "win32/Win32Gui.h"

namespace pw::win32 {

class Win32EventLoop : public EventLoop {
 public:
  // Processes every pending message, then returns. A WM_QUIT seen here is posted again so
  // that the run loop ends.
  void DoEvents() override;
  // Waits for one message and dispatches it; false once WM_QUIT has come.
  bool WaitOne() override;
  // Runs until WM_QUIT and answers its exit code.
  int Run();
  bool Quitting() const { return quitting_; }

  // Keyboard shortcuts of a window: applied to keys aimed at it or at one of its children.
  void SetAccelerators(HWND window, HACCEL table);
  // Modeless windows whose keys go through IsDialogMessage (Tab, arrow keys, access keys).
  void AddDialogWindow(HWND window);
  void RemoveDialogWindow(HWND window);

  // Translates and dispatches one message as the loops here do.
  void Dispatch(MSG& msg);

 private:
  void SeeQuit(const MSG& msg);

  HWND acceleratorWindow_ = nullptr;
  HACCEL accelerators_ = nullptr;
  std::vector<HWND> dialogs_;
  bool quitting_ = false;
  int exitCode_ = 0;
};

}  // namespace pw::win32
