#include "platform/win32/WindowBase.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/Trace.h"
#include "platform/win32/Handles.h"

namespace pw::win32 {

namespace {

// The object whose window another function is about to create (ExpectWindow).
thread_local WindowBase* expected = nullptr;

}  // namespace

WindowBase::~WindowBase() {
  if (!hwnd_) return;
  HWND hwnd = hwnd_;
  Detach();
  DestroyWindow(hwnd);
}

void WindowBase::RegisterClassOnce(HINSTANCE instance, const wchar_t* className, HICON icon,
                                   HICON smallIcon, HBRUSH background, WNDPROC procedure,
                                   int windowExtra, UINT classStyle) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, className, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = classStyle;
  wc.lpfnWndProc = procedure ? procedure : &WindowBase::Thunk;
  wc.cbWndExtra = windowExtra;
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

void WindowBase::ExpectWindow(WindowBase* target) { expected = target; }

LRESULT WindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

void WindowBase::Detach() {
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
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
  return Dispatch(hwnd, message, wParam, lParam, DefWindowProcW);
}

LRESULT WindowBase::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                             WNDPROC defaultProc) {
  WindowBase* self = nullptr;
  if (message == WM_NCCREATE) {
    // The dialog manager passes no creation parameter of its own.
    self = expected;
    expected = nullptr;
    if (!self)
      self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self) {
      self->hwnd_ = hwnd;
      self->defaultProc_ = defaultProc;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return defaultProc(hwnd, message, wParam, lParam);
  // No exception may cross back into the system's code.
  if (message == WM_NCDESTROY) {
    // The object may outlive its window; it must not be reached through the handle again.
    self->Detach();
    try {
      self->OnDestroyed();
    } catch (...) {
      TraceIgnored("WindowBase: WM_NCDESTROY");
    }
    self->hwnd_ = nullptr;
    return defaultProc(hwnd, message, wParam, lParam);
  }
  // The handler may have destroyed the window and its object, so nothing of self is touched
  // after it.
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    TraceIgnored("WindowBase: window message");
    return defaultProc(hwnd, message, wParam, lParam);
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
