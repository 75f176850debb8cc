// The main window's status bar: one panel, initially "Status".
#pragma once

#include "platform/Controls.h"
#include "win32/Win32Gui.h"

namespace pw::win32 {

class Win32StatusBar : public StatusBarControl {
 public:
  Win32StatusBar(HINSTANCE instance, HWND parent, int id);

  HWND Hwnd() const { return hwnd_; }
  // Panels are numbered from 0.
  void SetPanelText(int panel, const std::string& text) override;
  std::string PanelText(int panel) const override;

 private:
  HWND hwnd_ = nullptr;  // a child: destroyed with its parent
};

}  // namespace pw::win32
