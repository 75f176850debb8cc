// The notification-area icon through Shell_NotifyIconA, with the first (V1) record form.
#pragma once

#include "platform/TrayShell.h"
#include "win32/Win32Gui.h"

namespace pw::win32 {

// The shell's record for the program's TrayData: every field copied, the tip byte for byte.
NOTIFYICONDATAA ToNotifyIconData(const TrayData& data);

class Win32TrayShell : public TrayShell {
 public:
  bool Shell_NotifyIconA(std::uint32_t message, const TrayData& data) override;
  std::uint32_t FirstFormSize() const override;
  bool SetForegroundWindow(WindowHandle window) override;
};

}  // namespace pw::win32
