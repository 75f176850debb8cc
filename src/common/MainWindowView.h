// The main window as the core drives it: fmStart (app/) and its tray icon, window states and
// menus (tray/) share it.
#pragma once

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

}  // namespace pw
