// The plumbing every window of the program shares: class registration, a window procedure
// that hands each message to the C++ object created with the window, its controls, and its
// keys from the dialog manager.
#pragma once

#include <string>

#include "platform/win32/Win32EventLoop.h"
#include "platform/win32/Win32Gui.h"

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
  // Registers the class once per process. The procedure is the shared thunk, or one that
  // calls Dispatch with another default procedure; windowExtra is the class's cbWndExtra.
  static void RegisterClassOnce(HINSTANCE instance, const wchar_t* className, HICON icon,
                                HICON smallIcon, HBRUSH background, WNDPROC procedure = nullptr,
                                int windowExtra = 0, UINT classStyle = 0);
  // Creates the window with this object as its target; throws std::runtime_error on failure.
  void Create(HINSTANCE instance, const wchar_t* className, const wchar_t* caption, DWORD style,
              DWORD exStyle, int x, int y, int width, int height, HWND parentOrOwner,
              HMENU menu);
  // For windows that another function creates (the dialog manager): the next window of one of
  // the program's classes created on this thread belongs to target.
  static void ExpectWindow(WindowBase* target);
  // Stores the object on WM_NCCREATE and hands it every message until WM_NCDESTROY; before and
  // after, and on an exception, defaultProc answers.
  static LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                          WNDPROC defaultProc);

  // One message; the default is the class's default procedure.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The window is gone (WM_NCDESTROY, or Destroy); the object stays.
  virtual void OnDestroyed() {}
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return defaultProc_(hwnd_, message, wParam, lParam);
  }
  // Destroys the window; no message of its destruction reaches HandleMessage.
  void Destroy();

  // Tab, Enter and Escape of the window go through the dialog manager until it is destroyed.
  void TakeDialogKeys(Win32EventLoop& loop);
  // A visible child control placed in twips, with the message font; throws std::runtime_error
  // on failure.
  HWND AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int id,
                  float left, float top, float width, float height, DWORD exStyle = 0);

 private:
  static LRESULT CALLBACK Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Cuts the window off from this object.
  void Detach();

  HWND hwnd_ = nullptr;
  WNDPROC defaultProc_ = DefWindowProcW;
  Win32EventLoop* dialogKeys_ = nullptr;
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
