#include "win32/AboutPictures.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/Texts.h"
#include "win32/Strconv.h"

namespace pw::win32 {

namespace {

// One GDI object selected into the DC for the lifetime of the scope, deleted afterwards.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), object_(object), old_(SelectObject(dc, object)) {}
  ~Selected() {
    SelectObject(dc_, old_);
    DeleteObject(object_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ object_;
  HGDIOBJ old_;
};

int Lerp(int a, int b, int step, int steps) { return a + (b - a) * step / std::max(steps, 1); }

void VerticalGradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom) {
  const int height = r.bottom - r.top;
  for (int y = 0; y < height; y += 2) {
    const COLORREF c = RGB(Lerp(GetRValue(top), GetRValue(bottom), y, height),
                           Lerp(GetGValue(top), GetGValue(bottom), y, height),
                           Lerp(GetBValue(top), GetBValue(bottom), y, height));
    HBRUSH brush = CreateSolidBrush(c);
    RECT strip{r.left, r.top + y, r.right, std::min(r.top + y + 2, r.bottom)};
    FillRect(dc, &strip, brush);
    DeleteObject(brush);
  }
}

// A closed envelope with its flap and a red stamp, tilted by nothing: simple and legible at 16 px.
void DrawEnvelope(HDC dc, int left, int top, int width, int height) {
  const int line = std::max(1, width / 24);
  Selected pen(dc, CreatePen(PS_SOLID, line, RGB(0x1F, 0x2F, 0x4F)));
  Selected brush(dc, CreateSolidBrush(RGB(0xFF, 0xFF, 0xF4)));
  Rectangle(dc, left, top, left + width, top + height);
  POINT flap[3] = {{left, top}, {left + width / 2, top + height * 11 / 20}, {left + width, top}};
  Polyline(dc, flap, 3);
  const int stamp = std::max(3, height / 4);
  RECT s{left + width - stamp - line * 2, top + line * 2, left + width - line * 2,
         top + line * 2 + stamp};
  HBRUSH red = CreateSolidBrush(RGB(0xC8, 0x20, 0x20));
  FillRect(dc, &s, red);
  DeleteObject(red);
}

// Tahoma is on every Windows and comes with Wine's own fonts; Arial is missing from a bare Wine.
HFONT MakeFont(int height, int weight) {
  return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

// The largest character height up to the given one at which the text fits the box.
int FittingHeight(HDC dc, const wchar_t* text, int height, const RECT& box, int weight) {
  for (; height > 6; --height) {
    Selected probe(dc, MakeFont(height, weight));
    RECT need{0, 0, 0, 0};
    DrawTextW(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    if (need.right <= box.right - box.left && need.bottom <= box.bottom - box.top) break;
  }
  return height;
}

}  // namespace

void DrawMakerLogo(HDC dc, const RECT& frame) {
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) return;
  const int saved = SaveDC(dc);
  {
    Selected pen(dc, CreatePen(PS_SOLID, std::max(1, height / 26), RGB(0xD4, 0xA0, 0x17)));
    Selected brush(dc, CreateSolidBrush(RGB(0x0B, 0x2A, 0x5B)));
    RoundRect(dc, frame.left, frame.top, frame.right, frame.bottom, height / 3, height / 3);
  }
  const int pad = height / 6;
  const int envHeight = height - 2 * pad - height / 8;
  const int envWidth = envHeight * 3 / 2;
  DrawEnvelope(dc, frame.left + pad, frame.top + (height - envHeight) / 2, envWidth, envHeight);

  SetBkMode(dc, TRANSPARENT);
  RECT text{frame.left + pad * 2 + envWidth, frame.top + pad / 2, frame.right - pad,
            frame.top + height * 2 / 3};
  {
    const int size = FittingHeight(dc, Widen(kAboutLogo).c_str(), height * 9 / 20, text, FW_BOLD);
    Selected font(dc, MakeFont(size, FW_BOLD));
    SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
    DrawTextW(dc, Widen(kAboutLogo).c_str(), -1, &text,
              DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
  }
  RECT sub{text.left, text.bottom, text.right, frame.bottom - pad / 2};
  {
    const std::wstring subtitle = Widen(kAboutLogoSubtitle);
    const int size = FittingHeight(dc, subtitle.c_str(), height / 4, sub, FW_NORMAL);
    Selected font(dc, MakeFont(size, FW_NORMAL));
    SetTextColor(dc, RGB(0xA8, 0xC8, 0xF0));
    DrawTextW(dc, subtitle.c_str(), -1, &sub, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  }
  RestoreDC(dc, saved);
}

void DrawSidePicture(HDC dc, const RECT& frame) {
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) return;
  const int saved = SaveDC(dc);
  VerticalGradient(dc, frame, RGB(0x9C, 0xC8, 0xF0), RGB(0x0B, 0x2A, 0x5B));

  // A large "@" watermark in the lower half.
  SetBkMode(dc, TRANSPARENT);
  {
    Selected font(dc, MakeFont(width, FW_BOLD));
    SetTextColor(dc, RGB(0x3A, 0x62, 0x9A));
    RECT lower{frame.left, frame.top + height / 2, frame.right, frame.bottom};
    DrawTextW(dc, L"@", -1, &lower, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

  // Three letters in flight along a dotted arc from the lower left to the upper right.
  auto at = [&](double t, int& x, int& y) {
    x = frame.left + static_cast<int>(width * (0.12 + 0.70 * t));
    y = frame.top + static_cast<int>(height * (0.62 - 0.50 * t + 0.18 * std::sin(t * 3.14159)));
  };
  {
    HBRUSH dot = CreateSolidBrush(RGB(0xFF, 0xFF, 0xFF));
    const int size = std::max(1, width / 60);
    for (int i = 0; i <= 40; ++i) {
      if (i % 2) continue;
      int x = 0, y = 0;
      at(i / 40.0, x, y);
      RECT r{x, y, x + size, y + size};
      FillRect(dc, &r, dot);
    }
    DeleteObject(dot);
  }
  const double stops[3] = {0.15, 0.55, 0.95};
  for (int i = 0; i < 3; ++i) {
    int x = 0, y = 0;
    at(stops[i], x, y);
    const int w = width * (14 + 5 * i) / 100;
    const int h = w * 2 / 3;
    DrawEnvelope(dc, x - w / 2, y - h / 2, w, h);
  }

  // The name along the foot.
  {
    RECT foot{frame.left, frame.bottom - height / 8, frame.right, frame.bottom - height / 40};
    RECT inner{foot.left + width / 20, foot.top, foot.right - width / 20, foot.bottom};
    const int size =
        FittingHeight(dc, Widen(kAboutPictureName).c_str(), std::max(8, width / 8), inner, FW_BOLD);
    Selected font(dc, MakeFont(size, FW_BOLD));
    SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
    DrawTextW(dc, Widen(kAboutPictureName).c_str(), -1, &foot,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  RestoreDC(dc, saved);
}

}  // namespace pw::win32
