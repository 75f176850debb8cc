// The notification-area icon through Shell_NotifyIconA, with the first (V1) record form.
#pragma once

#include "platform/TrayShell.h"
#include "win32/Win32Gui.h"

namespace pw::win32 {

// The shell's record for the program's TrayData: every field copied, the tip byte for byte.
NOTIFYICONDATAA ToNotifyIconData(const TrayData& data);
// The balloon's record: the whole NOTIFYICONDATAW, NIF_INFO only, the texts cut to the fields.
NOTIFYICONDATAW ToBalloonData(const TrayData& icon, const std::string& title,
                              const std::string& text);

class Win32TrayShell : public TrayShell {
 public:
  bool Shell_NotifyIconA(std::uint32_t message, const TrayData& data) override;
  std::uint32_t FirstFormSize() const override;
  bool SetForegroundWindow(WindowHandle window) override;
  bool ShowBalloon(const TrayData& icon, const std::string& title,
                   const std::string& text) override;
};

}  // namespace pw::win32
