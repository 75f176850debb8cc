// The About box's window: the fixed labels, the etched separator, the icon and the two
// pictures, OK and "&Systeminfo...".
#pragma once

#include <memory>

#include "about/AboutView.h"
#include "win32/Win32EventLoop.h"
#include "win32/Win32Gui.h"

namespace pw::win32 {

// Control ids, also for whoever reads the box from outside. cmdOK is IDOK.
inline constexpr int kIdAboutSysInfo = 1101;
inline constexpr int kIdAboutTitle = 1102;        // lblTitle
inline constexpr int kIdAboutVersion = 1103;      // lblVersion
inline constexpr int kIdAboutMaker = 1104;        // Label5
inline constexpr int kIdAboutDescription = 1105;  // lblDescription
inline constexpr int kIdAboutErstellt = 1106;
inline constexpr int kIdAboutProduktname = 1107;
inline constexpr int kIdAboutVersionHeading = 1108;
inline constexpr int kIdAboutCopyright = 1109;
inline constexpr int kIdAboutBeschreibung = 1110;

class AboutWindowFactory : public AboutViewFactory {
 public:
  // programIcon is the main window's icon (picIcon); it must outlive the box. Without one the
  // module's first icon is shown.
  AboutWindowFactory(HINSTANCE instance, Win32EventLoop& loop, HICON programIcon = nullptr)
      : instance_(instance), loop_(loop), programIcon_(programIcon) {}

  std::unique_ptr<AboutView> CreateView(AboutEvents& events) override;

 private:
  HINSTANCE instance_;
  Win32EventLoop& loop_;
  HICON programIcon_;
};

}  // namespace pw::win32
