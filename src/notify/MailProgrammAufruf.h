// Finds and raises, or starts, an account's mail client (Outlook or a Terminal Server client).
#pragma once

#include <string>

#include "common/Globals.h"
#include "platform/WindowSystem.h"
#include "registry/SettingsStore.h"

namespace pw {

class MailProgrammAufruf {
 public:
  MailProgrammAufruf(WindowSystem& windows, SettingsStore& settings, Globals& globals)
      : windows_(windows), settings_(settings), globals_(globals) {}

  // Raises AppError when the program cannot be started.
  void StartMailClient(const std::string& connectionName);
  std::string FindOutlookTitle();
  static std::string TitleAfterLastDash(const std::string& title);

  WindowHandle LastWindow() const { return lastWindow_; }

 private:
  struct ProgramStart {
    std::string program;
    std::string commandLine;
  };
  // The fixed path while that file exists, otherwise where today's Windows keeps the program.
  ProgramStart OutlookStart();
  ProgramStart TerminalClientStart(const std::string& connectionName);

  WindowSystem& windows_;
  SettingsStore& settings_;
  Globals& globals_;
  WindowHandle lastWindow_ = 0;
};

}  // namespace pw
