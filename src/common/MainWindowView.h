// The main window as the core drives it, and what it reports: fmStart (app/) and its tray icon,
// window states and menus (tray/) share it.
#pragma once

#include <cstdint>
#include <string>

#include "common/WindowHandle.h"

namespace pw {

enum class WindowState { Normal = 0, Minimized = 1 };

class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual WindowHandle Handle() const = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  virtual void Refresh() = 0;
  // Position and outer size in twips.
  virtual float LeftTwips() const = 0;
  virtual float TopTwips() const = 0;
  virtual void SetLeftTwips(float left) = 0;
  virtual void SetTopTwips(float top) = 0;
  virtual void SetOuterSizeTwips(float width, float height) = 0;
  virtual WindowState State() const = 0;
  virtual void SetState(WindowState state) = 0;
  virtual void SetDefaultMousePointer() = 0;
  // Pops up the tray menu at the cursor.
  virtual void PopupTrayMenu() = 0;
  // Destroys the window and ends the message loop (after Form_Unload).
  virtual void Close() = 0;
  // The three pictures: main icon (letter in flight), ImageIvis (warning triangle), Stop.
  virtual IconHandle MainIcon() const = 0;
  virtual IconHandle IvisPicture() const = 0;
  virtual IconHandle StopPicture() const = 0;
};

// What the user and the system do to the main window, named after fmStart's handlers.
class MainWindowEvents {
 public:
  virtual ~MainWindowEvents() = default;
  virtual void Form_Activate() = 0;
  virtual void Form_Paint() = 0;
  virtual void Form_Resize() = 0;
  // The shell's mouse message number from the tray callback.
  virtual void Form_MouseMove(int message) = 0;
  // A click on the tray's balloon notification.
  virtual void Tray_BalloonClick() {}
  // A close of the window with the form's unload mode (0 control menu, 2 session end,
  // 3 Task Manager); the core decides whether it goes ahead, and answers whether it did. Once
  // it has, the core has closed the window.
  virtual bool RequestUnload(int unloadMode) = 0;
  // The menu bar.
  virtual void mRefresh_Click() = 0;
  virtual void mAnwesenheit_Click() = 0;
  virtual void mBeenden_Click() = 0;
  // "Anmelden ...": the OAuth2 sign-in in the browser, again or as someone else.
  virtual void mAnmelden_Click() = 0;
  virtual void mEdit_Click() = 0;
  virtual void mNew_Click() = 0;
  virtual void mDelete_Click() = 0;
  virtual void mAbout_Click() = 0;
  // The tray menu.
  virtual void mPopRestore_Click() = 0;
  virtual void mAnwesenheitTray_Click() = 0;
  virtual void mPopExit_Click() = 0;
  virtual void mRefreshTray_Click() = 0;
  // The tree Anzeige; a node is named by its position from 0.
  virtual void Anzeige_NodeSelected(std::int32_t& index) = 0;
  virtual void Anzeige_Click() = 0;
  virtual void Anzeige_DblClick() = 0;
  // The PC resumed from sleep (WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC); the network's
  // addresses changed.
  virtual void SystemResumed() {}
  virtual void NetworkChanged() {}
  // Explorer broadcast "TaskbarCreated": a new taskbar knows no icons.
  virtual void TaskbarCreated() = 0;
};

}  // namespace pw
