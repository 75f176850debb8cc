// fmStart on the real main window and notification area, with the rest of the platform in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "accounts/AccountStore.h"
#include "accounts/Passwort.h"
#include "app/FmStart.h"
#include "registry/SettingsStore.h"
#include "substitute/FakeClock.h"
#include "substitute/FakeDialogs.h"
#include "substitute/FakeEnvironment.h"
#include "substitute/FakeRegistry.h"
#include "substitute/FakeSystemSound.h"
#include "substitute/FakeTimers.h"
#include "substitute/FakeWindowSystem.h"
#include "support/ScriptedImap.h"
#include "tray/TrayData.h"
#include "win32/AttendanceWindow.h"
#include "win32/MainWindow.h"
#include "win32/Win32TestSupport.h"
#include "win32/Win32TrayShell.h"

namespace pw::win32::test {

// The real notification area, with every send and the shell's answer kept.
struct RecordingShell : Win32TrayShell {
  struct Call {
    std::uint32_t message;
    TrayData data;
    bool accepted;
  };
  bool Shell_NotifyIconA(std::uint32_t message, const TrayData& data) override {
    const bool accepted = Win32TrayShell::Shell_NotifyIconA(message, data);
    calls.push_back({message, data, accepted});
    return accepted;
  }
  std::vector<Call> calls;
};

struct MainFormRig {
  Win32EventLoop loop;
  MainWindow window{GetModuleHandleW(nullptr), loop};
  FakeRegistry registry;
  SettingsStore settings{registry};
  AccountStore accounts{settings};
  FakeEnvironment environment;
  FakeClock clock;
  FakeTimerFactory timers;
  FakeDialogs dialogs;
  RecordingShell shell;
  FakeWindowSystem windows;
  pw::test::ScriptedImap imap;
  AttendanceWindowFactory attendanceViews{GetModuleHandleW(nullptr), loop};
  FakeSystemSound sound;
  Globals globals;
  FmStart form{MainWindowServices{settings, environment, clock, timers, loop, dialogs, shell,
                                  windows, window, window.Anzeige(), window.StatusBar(), imap,
                                  attendanceViews, sound},
               globals};

  MainFormRig() { window.Attach(&form); }
  ~MainFormRig() {
    if (form.fmAnwesend().Loaded()) form.fmAnwesend().Unload();
    window.Attach(nullptr);
    DrainQuit();
  }

  // Stores an account as the account dialog does, with a mailbox that signs in.
  void AddAccount(const std::string& name) {
    accounts.Write(name, "NT-USER", name);
    accounts.Write(name, "PW", Passwort::Umwandeln("pw"));
    imap.accounts[name].password = "pw";
  }
};

}  // namespace pw::win32::test
