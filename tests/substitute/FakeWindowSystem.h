// A scripted list of top-level windows and a record of the programs started.
#pragma once

#include <string>
#include <vector>

#include "common/AppError.h"
#include "platform/WindowSystem.h"

namespace pw {

class FakeWindowSystem : public WindowSystem {
 public:
  struct Window {
    WindowHandle handle;
    std::string title;
    std::string className;
  };
  struct Started {
    std::string program;
    std::string commandLine;
    int style;
  };

  WindowHandle FindWindowA(const std::string& title) override {
    for (const auto& w : windows) {
      if (w.title == title) return w.handle;
    }
    return 0;
  }
  bool BringWindowToTop(WindowHandle window) override {
    raised.push_back(window);
    return true;
  }
  WindowHandle GetTopWindow() override { return windows.empty() ? 0 : windows.front().handle; }
  WindowHandle GetNextWindow(WindowHandle window) override {
    for (std::size_t i = 0; i + 1 < windows.size(); ++i) {
      if (windows[i].handle == window) return windows[i + 1].handle;
    }
    return 0;
  }
  std::string GetWindowTextA(WindowHandle window, int maxChars) override {
    return Find(window).title.substr(0, static_cast<std::size_t>(maxChars - 1));
  }
  std::string GetClassNameA(WindowHandle window, int maxChars) override {
    return Find(window).className.substr(0, static_cast<std::size_t>(maxChars - 1));
  }
  void StartProgram(const std::string& program, const std::string& commandLine,
                    int style) override {
    if (failStarts) throw AppError(kSysFileNotFound, "StartProgram");
    started.push_back({program, commandLine, style});
  }
  bool FileExists(const std::string& path) override {
    for (const auto& f : files) {
      if (f == path) return true;
    }
    return false;
  }
  std::string SystemDirectory() override { return systemDirectory; }

  std::vector<Window> windows;  // top to bottom
  std::vector<WindowHandle> raised;
  std::vector<Started> started;
  std::vector<std::string> files;
  bool failStarts = false;
  std::string systemDirectory = "C:\\WINDOWS\\system32";

 private:
  const Window& Find(WindowHandle h) const {
    static const Window none{0, {}, {}};
    for (const auto& w : windows) {
      if (w.handle == h) return w;
    }
    return none;
  }
};

}  // namespace pw
