// The new-message dialog's window: the two buttons, the labels and the Open button's tooltip.
#pragma once

#include <memory>
#include <vector>

#include "notify/NewMailView.h"
#include "win32/Handles.h"
#include "win32/Win32EventLoop.h"
#include "win32/Win32Gui.h"

namespace pw::win32 {

inline constexpr wchar_t kNewMailWindowClass[] = L"PostwachtNeueNachricht";

// Create before the dialogs' host and destroy after it: the dialogs are owned by its hidden
// window.
class NewMailWindowFactory : public NewMailViewFactory {
 public:
  // letterIcon is the picture of Open (the main window's icon); it must outlive the dialogs.
  // The window icon comes from the module's resources; without it the dialogs have none.
  NewMailWindowFactory(HINSTANCE instance, Win32EventLoop& loop, HICON letterIcon);
  ~NewMailWindowFactory() override;

  std::unique_ptr<NewMailView> CreateView(NewMailEvents& events) override;

 private:
  HINSTANCE instance_;
  Win32EventLoop& loop_;
  HICON letterIcon_;
  UniqueIcon mailboxIcon_;
  UniqueIcon mailboxSmallIcon_;
  // A window that is never shown: owned windows get no taskbar button.
  UniqueWindow owner_;
  // The dialogs still open, oldest first: a new one is placed after the newest.
  std::vector<HWND> openDialogs_;
};

}  // namespace pw::win32
