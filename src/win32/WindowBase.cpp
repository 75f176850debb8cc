#include "win32/WindowBase.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <vector>

#include "platform/Trace.h"
#include "win32/Handles.h"

namespace pw::win32 {

WindowBase::~WindowBase() {
  if (!hwnd_) return;
  HWND hwnd = hwnd_;
  Detach();
  DestroyWindow(hwnd);
}

void WindowBase::RegisterClassOnce(HINSTANCE instance, const wchar_t* className, HICON icon,
                                   HICON smallIcon, HBRUSH background) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, className, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &WindowBase::Thunk;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hIconSm = smallIcon;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  if (!RegisterClassExW(&wc)) throw std::runtime_error("RegisterClassExW failed");
}

void WindowBase::Create(HINSTANCE instance, const wchar_t* className, const wchar_t* caption,
                        DWORD style, DWORD exStyle, int x, int y, int width, int height,
                        HWND parentOrOwner, HMENU menu) {
  HWND hwnd = CreateWindowExW(exStyle, className, caption, style, x, y, width, height,
                              parentOrOwner, menu, instance, this);
  if (!hwnd) throw std::runtime_error("CreateWindowExW failed");
}

void WindowBase::AttachDialog(HWND hwnd) {
  hwnd_ = hwnd;
  objectSlot_ = DWLP_USER;
  SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

WindowBase* WindowBase::AttachedDialog(HWND hwnd) {
  return reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, DWLP_USER));
}

void WindowBase::WindowGone() {
  // The object may outlive its window; it must not be reached through the handle again.
  Detach();
  try {
    OnDestroyed();
  } catch (...) {
    TraceIgnored("WindowBase: WM_NCDESTROY");
  }
  hwnd_ = nullptr;
}

LRESULT WindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

void WindowBase::Detach() {
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, objectSlot_, 0);
  if (dialogKeys_) dialogKeys_->RemoveDialogWindow(hwnd_);
  dialogKeys_ = nullptr;
}

void WindowBase::Destroy() {
  if (!hwnd_) return;
  HWND hwnd = hwnd_;
  Detach();
  try {
    OnDestroyed();
  } catch (...) {
    TraceIgnored("WindowBase: Destroy");
  }
  hwnd_ = nullptr;
  DestroyWindow(hwnd);
}

int WindowBase::Dpi() const { return dpi_ > 0 ? dpi_ : ScreenDpi(); }

int WindowBase::AtDpi(int pixels) const { return MulDiv(pixels, Dpi(), ScreenDpi()); }

void WindowBase::LayOutForDpi(int dpi, const RECT& suggested) {
  const int old = Dpi();
  if (!hwnd_ || dpi <= 0) return;
  dpi_ = dpi;
  HFONT font = MessageFontAt(dpi);
  // Direct children only: a control places its own inner windows (a combo box's field).
  std::vector<HWND> children;
  for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  for (HWND child : children) {
    // The font first: a combo box sizes its field from it.
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
    // A combo box's window height is its field and its open list together.
    RECT dropped{};
    if (SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped)) &&
        dropped.bottom > rect.bottom) {
      rect.bottom = rect.top + (dropped.bottom - dropped.top);
    }
    SetWindowPos(child, nullptr, MulDiv(rect.left, dpi, old), MulDiv(rect.top, dpi, old),
                 MulDiv(rect.right - rect.left, dpi, old), MulDiv(rect.bottom - rect.top, dpi, old),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void WindowBase::TakeDialogKeys(Win32EventLoop& loop) {
  if (!hwnd_) return;
  loop.AddDialogWindow(hwnd_);
  dialogKeys_ = &loop;
}

HWND WindowBase::AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int id,
                            float left, float top, float width, float height, DWORD exStyle) {
  HWND control = CreateWindowExW(
      exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, TwipsToPixels(left),
      TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height), hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE)), nullptr);
  if (!control) throw std::runtime_error("CreateWindowExW failed for a control");
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont()), FALSE);
  return control;
}

LRESULT CALLBACK WindowBase::Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowBase* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self) {
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  // No exception may cross back into the system's code.
  if (message == WM_NCDESTROY) {
    self->WindowGone();
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  if (message == WM_DPICHANGED && lParam) {
    self->LayOutForDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    return 0;
  }
  // The handler may have destroyed the window and its object, so nothing of self is touched
  // after it.
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    TraceIgnored("WindowBase: window message");
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

int ScreenDpi() {
  static const int dpi = [] {
    HDC dc = GetDC(nullptr);
    int value = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return value > 0 ? value : 96;
  }();
  return dpi;
}

float TwipsPerPixel() { return 1440.0f / static_cast<float>(ScreenDpi()); }

int TwipsToPixels(float twips) { return static_cast<int>(std::lround(twips / TwipsPerPixel())); }

float PixelsToTwips(int pixels) { return static_cast<float>(pixels) * TwipsPerPixel(); }

int Scaled(int pixelsAt96) { return MulDiv(pixelsAt96, ScreenDpi(), 96); }

HFONT MessageFont() {
  static const UniqueFont font = [] {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
      return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    return UniqueFont();
  }();
  return font ? font.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HFONT MessageFontAt(int dpi) {
  if (dpi == ScreenDpi()) return MessageFont();
  // One font per DPI met, for the program's life: windows of several screens share them.
  static std::map<int, UniqueFont> fonts;
  UniqueFont& font = fonts[dpi];
  if (!font) {
    LOGFONTW logFont{};
    if (GetObjectW(MessageFont(), sizeof logFont, &logFont) != sizeof logFont) return MessageFont();
    logFont.lfHeight = MulDiv(logFont.lfHeight, dpi, ScreenDpi());
    font.Reset(CreateFontIndirectW(&logFont));
  }
  return font ? font.Get() : MessageFont();
}

namespace {

bool ShowsPrefixAsText(HWND control) {
  wchar_t cls[16] = {};
  GetClassNameW(control, cls, 16);
  return lstrcmpiW(cls, L"Static") == 0 && (GetWindowLongPtrW(control, GWL_STYLE) & SS_NOPREFIX);
}

std::wstring WithoutPrefixes(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;  // "&&" shows one '&'
    out += text[i];
  }
  return out;
}

}  // namespace

SIZE ControlTextSize(HWND control, const std::wstring& text) {
  SIZE size{0, 0};
  HDC dc = GetDC(control);
  if (!dc) return size;
  auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? font : MessageFont());
  const std::wstring shown = ShowsPrefixAsText(control) ? text : WithoutPrefixes(text);
  GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
  TEXTMETRICW metrics{};
  if (GetTextMetricsW(dc, &metrics)) size.cy = metrics.tmHeight;
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size;
}

SIZE ControlTextSize(HWND control) {
  const int n = GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(std::max(n, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(std::max(GetWindowTextW(control, text.data(), n + 1), 0)));
  return ControlTextSize(control, text);
}

}  // namespace pw::win32
