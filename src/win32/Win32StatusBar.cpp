#include "win32/Win32StatusBar.h"

#include <stdexcept>
#include <string>

#include "common/Texts.h"
#include "win32/Strconv.h"
#include "win32/WindowBase.h"

namespace pw::win32 {

namespace {

WPARAM Part(int panel) { return static_cast<WPARAM>(panel > 0 ? panel : 0); }
}  // namespace

Win32StatusBar::Win32StatusBar(HINSTANCE instance, HWND parent, int id) {
  hwnd_ =
      CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!hwnd_) throw std::runtime_error("status bar not created");
  int rightEdges[] = {-1};
  SendMessageW(hwnd_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(rightEdges));
  SetPanelText(0, kStatusInitial);
}

void Win32StatusBar::SetPanelText(int panel, const std::string& text) {
  std::wstring wide = Widen(text);
  SendMessageW(hwnd_, SB_SETTEXTW, Part(panel), reinterpret_cast<LPARAM>(wide.c_str()));
}

std::string Win32StatusBar::PanelText(int panel) const {
  LRESULT info = SendMessageW(hwnd_, SB_GETTEXTLENGTHW, Part(panel), 0);
  std::wstring text(static_cast<std::size_t>(LOWORD(info)) + 1, L'\0');
  SendMessageW(hwnd_, SB_GETTEXTW, Part(panel), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(LOWORD(info)));
  return Narrow(text);
}

}  // namespace pw::win32
