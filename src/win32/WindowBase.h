// The plumbing every window of the program shares: class registration, a window procedure
// that hands each message to the C++ object created with the window, its controls, and its
// keys from the dialog manager.
#pragma once

#include <string>

#include "win32/Win32EventLoop.h"
#include "win32/Win32Gui.h"

namespace pw::win32 {

class WindowBase {
 public:
  WindowBase() = default;
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;
  // Destroys a window still there without reporting anything (OnDestroyed included).
  virtual ~WindowBase();

  HWND Hwnd() const { return hwnd_; }

 protected:
  // Registers the class once per process, with the shared window procedure.
  static void RegisterClassOnce(HINSTANCE instance, const wchar_t* className, HICON icon,
                                HICON smallIcon, HBRUSH background);
  // Creates the window with this object as its target; throws std::runtime_error on failure.
  void Create(HINSTANCE instance, const wchar_t* className, const wchar_t* caption, DWORD style,
              DWORD exStyle, int x, int y, int width, int height, HWND parentOrOwner, HMENU menu);
  // For a window of the system's dialog class, whose procedure is not ours: the window becomes
  // this object's, found again through its DWLP_USER (Attached). The dialog procedure hands the
  // window's WM_NCDESTROY to WindowGone.
  void AttachDialog(HWND hwnd);
  static WindowBase* AttachedDialog(HWND hwnd);
  void WindowGone();
  // One message; the default is the class's default procedure.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The window is gone (WM_NCDESTROY, or Destroy); the object stays.
  virtual void OnDestroyed() {}
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
  // Destroys the window; no message of its destruction reaches HandleMessage.
  void Destroy();

  // The DPI the window is laid out for: the screen's when it was made, the new screen's after
  // Windows moved it to a screen of another scale (WM_DPICHANGED).
  int Dpi() const;
  // A length laid out for the screen's DPI (Scaled, TwipsToPixels), at the window's.
  int AtDpi(int pixels) const;
  // WM_DPICHANGED: every child keeps its place and size relative to the window, with the
  // message font for the new DPI, and the window takes the rectangle Windows suggests.
  void LayOutForDpi(int dpi, const RECT& suggested);

  // Tab, Enter and Escape of the window go through the dialog manager until it is destroyed.
  void TakeDialogKeys(Win32EventLoop& loop);
  // A visible child control placed in twips, with the message font; throws std::runtime_error
  // on failure.
  HWND AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int id,
                  float left, float top, float width, float height, DWORD exStyle = 0);

 private:
  // Stores the object on WM_NCCREATE and hands it every message until WM_NCDESTROY; before and
  // after, and on an exception, DefWindowProcW answers.
  static LRESULT CALLBACK Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Cuts the window off from this object.
  void Detach();

  HWND hwnd_ = nullptr;
  // Where the window keeps this object: GWLP_USERDATA for the program's own classes, DWLP_USER
  // for dialogs.
  int objectSlot_ = GWLP_USERDATA;
  int dpi_ = 0;  // 0: the screen's
  Win32EventLoop* dialogKeys_ = nullptr;
};

// Screen DPI and the twips of a form: 1440 twips per inch.
int ScreenDpi();
float TwipsPerPixel();
int TwipsToPixels(float twips);
float PixelsToTwips(int pixels);
// A length given in pixels at 96 DPI, scaled to the screen.
int Scaled(int pixelsAt96);

// The message font of the desktop, for child controls; and the same font for a screen of
// another DPI.
HFONT MessageFont();
HFONT MessageFontAt(int dpi);

// The size in pixels that a text needs in a control's font on one line: its width, and the
// font's line height. A '&' that marks an access key is not counted, except in a static
// control that shows it as text (SS_NOPREFIX).
SIZE ControlTextSize(HWND control, const std::wstring& text);
// The same for the control's own text.
SIZE ControlTextSize(HWND control);

}  // namespace pw::win32
