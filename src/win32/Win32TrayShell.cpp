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

bool Win32TrayShell::Shell_NotifyIconA(std::uint32_t message, const TrayData& data) {
  NOTIFYICONDATAA nid = ToNotifyIconData(data);
  return ::Shell_NotifyIconA(message, &nid) != FALSE;
}

std::uint32_t Win32TrayShell::FirstFormSize() const { return NOTIFYICONDATAA_V1_SIZE; }

bool Win32TrayShell::SetForegroundWindow(WindowHandle window) {
  return ::SetForegroundWindow(reinterpret_cast<HWND>(window)) != FALSE;
}

}  // namespace pw::win32
