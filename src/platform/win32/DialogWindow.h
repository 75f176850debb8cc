// Modeless dialog windows without owner, laid out in twips: the account dialogs and the About
// box. The dialog manager gives them Tab, Enter and Escape through the message loop.
#pragma once

#include <string>

#include "platform/win32/Win32EventLoop.h"
#include "platform/win32/Win32Gui.h"

namespace pw::win32 {

class DialogWindow {
 public:
  DialogWindow() = default;
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;
  // Destroys the window without reporting anything to the form.
  virtual ~DialogWindow();

  HWND Hwnd() const { return hwnd_; }

 protected:
  // Creates the fixed dialog hidden, centred on the work area, with a client area of the given
  // twips; OnInitDialog creates the controls. Throws std::runtime_error on failure.
  void CreateDialogWindow(HINSTANCE instance, Win32EventLoop& loop, float clientWidthTwips,
                          float clientHeightTwips);
  // Destroys the window; no message of its destruction reaches HandleMessage.
  void DestroyDialogWindow();

  virtual void OnInitDialog() = 0;
  // A message for the dialog procedure: TRUE when handled, FALSE for the dialog manager.
  virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

  // A child control in twips, with the message font.
  HWND AddControl(const wchar_t* className, const std::string& text, DWORD style, int id,
                  float left, float top, float width, float height, DWORD exStyle = 0);
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  // Text of a control as UTF-8.
  std::string ItemText(int id) const;
  void SetItemText(int id, const std::string& text);
  void ShowAndActivate();

 private:
  static INT_PTR CALLBACK Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Detach();

  HWND hwnd_ = nullptr;
  Win32EventLoop* loop_ = nullptr;
};

}  // namespace pw::win32
