// The new-message dialogs with the tray icon, the launcher and the account store in memory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "accounts/AccountStore.h"
#include "notify/NewMailDialogs.h"
#include "registry/SettingsStore.h"
#include "substitute/FakeEventLoop.h"
#include "substitute/FakeMainWindow.h"
#include "substitute/FakeRegistry.h"
#include "substitute/FakeTimers.h"
#include "substitute/FakeTrayShell.h"
#include "substitute/FakeWindowSystem.h"

namespace pw::test {

inline constexpr char kIdle[] = "Postwacht bei Ankunft neuer Mails!";

struct NewMailRig {
  // The launcher works on scripted windows unless the test hands it the real ones.
  explicit NewMailRig(NewMailViewFactory& views, WindowSystem* realWindows = nullptr)
      : launcher(realWindows ? *realWindows : windows, settings, globals),
        dialogs(views, globals, tray, launcher, settings) {
    timerVis->SetInterval(500);
    timerIvis->SetInterval(500);
    tray.AddIcon();
  }

  // An empty flag text leaves that value out.
  void AddAccount(const std::string& name, const std::string& ol, const std::string& te,
                  const std::string& teName = "") {
    if (!ol.empty()) accounts.Write(name, "Mail-Client-OL", ol);
    if (!te.empty()) accounts.Write(name, "Mail-Client-TE", te);
    accounts.Write(name, "Mail-Client-TE-Name", teName);
  }

  // What the check run does for an account with new mail.
  FmNewMail& Announce(const std::string& name) {
    globals.CurrentAccount = name;
    if (globals.TrayAlertsEnabled) tray.StartTrayBlink(name);
    FmNewMail& dialog = dialogs.Create();
    dialog.Show();
    dialog.SetFocus();
    return dialog;
  }

  std::string Tip() const { return ShownTip(*shell.icon); }
  bool Blinking() const { return timerIvis->Enabled() || timerVis->Enabled(); }
  std::vector<std::string> Started() const {
    std::vector<std::string> lines;
    for (const auto& s : windows.started) lines.push_back(s.commandLine);
    return lines;
  }

  FakeRegistry registry;
  SettingsStore settings{registry};
  AccountStore accounts{settings};
  FakeTrayShell shell;
  FakeMainWindow window;
  FakeEventLoop loop;
  FakeTimerFactory timers;
  std::unique_ptr<Timer> timerVis = timers.CreateTimer([this] { tray.TimerVis_Timer(); });
  std::unique_ptr<Timer> timerIvis = timers.CreateTimer([this] { tray.TimerIvis_Timer(); });
  NotifyIcon tray{shell, window, loop, *timerVis, *timerIvis};
  FakeWindowSystem windows;
  Globals globals;
  MailProgrammAufruf launcher;
  NewMailDialogs dialogs;
};

}  // namespace pw::test
