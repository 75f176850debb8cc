// The notification-area shell calls.
#pragma once

#include <cstdint>
#include <string>

#include "common/WindowHandle.h"

namespace pw {

struct TrayData;

class TrayShell {
 public:
  virtual ~TrayShell() = default;
  // Shell_NotifyIconA with NIM_ADD (0), NIM_MODIFY (1) or NIM_DELETE (2).
  virtual bool Shell_NotifyIconA(std::uint32_t message, const TrayData& data) = 0;
  // Size of the first NOTIFYICONDATAA form on this platform (104 in a 64-bit process).
  virtual std::uint32_t FirstFormSize() const = 0;
  virtual bool SetForegroundWindow(WindowHandle window) = 0;
  // The balloon notification of the icon named by icon's hWnd and uID (NIM_MODIFY with NIF_INFO),
  // in a larger record of its own; UTF-8 texts, cut to the fields (63 and 255 characters).
  virtual bool ShowBalloon(const TrayData& icon, const std::string& title,
                           const std::string& text) = 0;
};

}  // namespace pw
