// The plumbing every window of the program shares: class registration and a window
// procedure that hands each message to the C++ object created with the window.
#pragma once

#include <string>

#include "platform/win32/Win32Gui.h"

namespace pw::win32 {

class WindowBase {
 public:
  WindowBase() = default;
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;
  virtual ~WindowBase() = default;

  HWND Hwnd() const { return hwnd_; }

 protected:
  // Registers the class once per process; the procedure is the shared thunk.
  static void RegisterClassOnce(HINSTANCE instance, const wchar_t* className, HICON icon,
                                HICON smallIcon, HBRUSH background);
  // Creates the window with this object as its target; throws std::runtime_error on failure.
  void Create(HINSTANCE instance, const wchar_t* className, const wchar_t* caption, DWORD style,
              DWORD exStyle, int x, int y, int width, int height, HWND parentOrOwner,
              HMENU menu);
  // One message; the default is DefWindowProcW.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The window is gone (WM_NCDESTROY); the object stays.
  virtual void OnDestroyed() {}
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
};

// Screen DPI and the twips of a form: 1440 twips per inch.
int ScreenDpi();
float TwipsPerPixel();
int TwipsToPixels(float twips);
float PixelsToTwips(int pixels);
// A length given in pixels at 96 DPI, scaled to the screen.
int Scaled(int pixelsAt96);

// The message font of the desktop, for child controls.
HFONT MessageFont();

// The size in pixels that a text needs in a control's font on one line: its width, and the
// font's line height. A '&' that marks an access key is not counted, except in a static
// control that shows it as text (SS_NOPREFIX).
SIZE ControlTextSize(HWND control, const std::wstring& text);
// The same for the control's own text.
SIZE ControlTextSize(HWND control);

}  // namespace pw::win32
