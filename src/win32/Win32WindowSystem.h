// Top-level window search and program start through user32 and CreateProcessW.
#pragma once

#include "platform/WindowSystem.h"

namespace pw::win32 {

class Win32WindowSystem : public WindowSystem {
 public:
  WindowHandle FindWindowA(const std::string& title) override;
  bool BringWindowToTop(WindowHandle window) override;
  WindowHandle GetTopWindow() override;
  WindowHandle GetNextWindow(WindowHandle window) override;
  std::string GetWindowTextA(WindowHandle window, int maxChars) override;
  std::string GetClassNameA(WindowHandle window, int maxChars) override;
  void StartProgram(const std::string& program, const std::string& commandLine,
                    int windowStyle) override;
  bool FileExists(const std::string& path) override;
  std::string SystemDirectory() override;
};

}  // namespace pw::win32
