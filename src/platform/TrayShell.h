// The notification-area shell calls.
#pragma once

#include <cstdint>

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
};

}  // namespace pw
