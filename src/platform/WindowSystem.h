// Top-level window search and program start, for finding or starting a mail client.
#pragma once

#include <string>

#include "common/WindowHandle.h"

namespace pw {

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // FindWindowA with no class; 0 when none. Titles and class names are UTF-8.
  virtual WindowHandle FindWindowA(const std::string& title) = 0;
  virtual bool BringWindowToTop(WindowHandle window) = 0;
  // GetTopWindow(no parent) and GetWindow(handle, GW_HWNDNEXT); 0 at the end.
  virtual WindowHandle GetTopWindow() = 0;
  virtual WindowHandle GetNextWindow(WindowHandle window) = 0;
  // At most maxChars characters of the title or class name.
  virtual std::string GetWindowTextA(WindowHandle window, int maxChars) = 0;
  virtual std::string GetClassNameA(WindowHandle window, int maxChars) = 0;
  // Starts the program file (a full path, never searched for) with the command line it is to
  // see, and a window style (3 = maximised and activated, 1 = normal with focus). Raises
  // AppError with the system code's number (SystemErrorNumber) when it cannot be started.
  virtual void StartProgram(const std::string& program, const std::string& commandLine,
                            int windowStyle) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // The system folder (GetSystemDirectory), without a trailing backslash.
  virtual std::string SystemDirectory() = 0;
};

}  // namespace pw
