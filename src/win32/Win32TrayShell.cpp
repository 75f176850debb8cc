#include "win32/Win32TrayShell.h"

#include <algorithm>

#include "tray/TrayData.h"
#include "win32/Strconv.h"

namespace pw::win32 {

static_assert(kTipFieldSize == 64, "the V1 tip field holds 64 bytes");

NOTIFYICONDATAA ToNotifyIconData(const TrayData& data) {
  // The whole (newer, larger) record starts zeroed: the shell reads a V1 record by cbSize, and
  // a tip cut at 64 bytes without its NUL still ends at the zero that follows in szTip.
  NOTIFYICONDATAA nid{};
  nid.cbSize = data.cbSize;
  nid.hWnd = reinterpret_cast<HWND>(data.hWnd);
  nid.uID = data.uID;
  nid.uFlags = data.uFlags;
  nid.uCallbackMessage = data.uCallbackMessage;
  nid.hIcon = reinterpret_cast<HICON>(data.hIcon);
  // The A record's tip is in the system code page; the field is cut in its bytes.
  const TipFieldBytes tip = TipField(ToSystemCodePage(data.tip));
  std::copy(tip.begin(), tip.end(), nid.szTip);
  return nid;
}

namespace {

// Cut to the field with its NUL, never inside a surrogate pair.
template <std::size_t N>
void CopyField(wchar_t (&field)[N], const std::wstring& text) {
  std::size_t n = std::min(text.size(), N - 1);
  if (n > 0 && n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), field);
  field[n] = L'\0';
}

}  // namespace

NOTIFYICONDATAW ToBalloonData(const TrayData& icon, const std::string& title,
                              const std::string& text) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = reinterpret_cast<HWND>(icon.hWnd);
  nid.uID = icon.uID;
  nid.uFlags = NIF_INFO;
  nid.dwInfoFlags = NIIF_INFO;
  CopyField(nid.szInfoTitle, Widen(title));
  CopyField(nid.szInfo, Widen(text));
  return nid;
}

bool Win32TrayShell::ShowBalloon(const TrayData& icon, const std::string& title,
                                 const std::string& text) {
  NOTIFYICONDATAW nid = ToBalloonData(icon, title, text);
  return ::Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

bool Win32TrayShell::Shell_NotifyIconA(std::uint32_t message, const TrayData& data) {
  NOTIFYICONDATAA nid = ToNotifyIconData(data);
  return ::Shell_NotifyIconA(message, &nid) != FALSE;
}

std::uint32_t Win32TrayShell::FirstFormSize() const { return NOTIFYICONDATAA_V1_SIZE; }

bool Win32TrayShell::SetForegroundWindow(WindowHandle window) {
  return ::SetForegroundWindow(reinterpret_cast<HWND>(window)) != FALSE;
}

}  // namespace pw::win32
