// Modeless dialog windows without owner, laid out in twips: the account dialogs and the About
// box. They are windows of the system's dialog class "#32770", as assistive technology expects
// of a dialog; the dialog procedure finds the object through the window's DWLP_USER. The dialog
// manager runs them and gives them Tab, Enter and Escape through the message loop.
#pragma once

#include <string>

#include "win32/Win32EventLoop.h"
#include "win32/Win32Gui.h"
#include "win32/WindowBase.h"

namespace pw::win32 {

class DialogWindow : public WindowBase {
 protected:
  // Creates the fixed dialog hidden, centred on the work area, with a client area of the given
  // twips; OnInitDialog creates the controls. Throws std::runtime_error on failure.
  void CreateDialogWindow(HINSTANCE instance, Win32EventLoop& loop, float clientWidthTwips,
                          float clientHeightTwips);

  virtual void OnInitDialog() = 0;
  // A message for the dialog procedure: TRUE when handled, FALSE for the dialog manager.
  virtual INT_PTR HandleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

  // A child control in twips, with the message font.
  using WindowBase::AddControl;
  HWND AddControl(const wchar_t* className, const std::string& text, DWORD style, int id,
                  float left, float top, float width, float height, DWORD exStyle = 0);
  HWND Item(int id) const { return GetDlgItem(Hwnd(), id); }
  // Text of a control as UTF-8.
  std::string ItemText(int id) const;
  void SetItemText(int id, const std::string& text);
  void ShowAndActivate();

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace pw::win32
