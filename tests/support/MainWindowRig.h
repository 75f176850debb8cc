// The main window on the in-memory platform, with helpers to store accounts.
#pragma once

#include <memory>

#include "accounts/AccountStore.h"
#include "accounts/Passwort.h"
#include "app/FmStart.h"
#include "registry/SettingsStore.h"
#include "substitute/FakeAttendanceView.h"
#include "substitute/FakeClock.h"
#include "substitute/FakeControls.h"
#include "substitute/FakeDialogs.h"
#include "substitute/FakeEnvironment.h"
#include "substitute/FakeEventLoop.h"
#include "substitute/FakeMainWindow.h"
#include "substitute/FakeRegistry.h"
#include "substitute/FakeSystemSound.h"
#include "substitute/FakeTimers.h"
#include "substitute/FakeTrayShell.h"
#include "substitute/FakeWindowSystem.h"
#include "support/FakeForms.h"
#include "support/ScriptedImap.h"

namespace pw::test {

struct MainWindowRig {
  std::shared_ptr<FakeRegistry> registryOwner;
  FakeRegistry& registry;
  SettingsStore settings{registry};
  AccountStore accounts{settings};
  FakeEnvironment environment;
  FakeClock clock;
  FakeTimerFactory timers;
  FakeEventLoop loop;
  FakeDialogs dialogs;
  FakeTrayShell tray;
  FakeWindowSystem windows;
  FakeMainWindow window;
  FakeTree tree;
  FakeStatusBar status;
  ScriptedImap imap;
  FakeAttendanceViewFactory attendanceViews;
  FakeSystemSound sound;
  Globals globals;
  FakeForms forms{globals};
  // The effects of the platform and the other windows in the order they happened.
  EffectLog effects;
  FmStart fm{MainWindowServices{settings, environment, clock, timers, loop, dialogs, tray, windows,
                                window, tree, status, imap, attendanceViews, sound},
             globals};

  // Rigs that share a registry see each other's settings, as two program runs would.
  explicit MainWindowRig(std::shared_ptr<FakeRegistry> hive = std::make_shared<FakeRegistry>())
      : registryOwner(std::move(hive)), registry(*registryOwner) {
    fm.AttachForms(forms);
    window.Attach(&fm);
    for (EffectLog** log : {&window.log, &tray.log, &loop.log, &status.log, &attendanceViews.log,
                            &timers.log, &forms.log}) {
      *log = &effects;
    }
    timers.Name(fm.Timer1(), "Timer1");
    timers.Name(fm.Timer2(), "Timer2");
    timers.Name(fm.Timer3(), "Timer3");
    timers.Name(fm.TimerVis(), "TimerVis");
    timers.Name(fm.TimerIvis(), "TimerIvis");
  }

  // Stores an account as the account dialog does, and scripts its mailbox.
  ScriptedImap::Account& AddAccount(const std::string& name, const std::string& user,
                                    const std::string& password, std::int32_t total = 0,
                                    const std::string& seen = "", const std::string& recent = "") {
    accounts.Write(name, "NT-USER", user);
    accounts.Write(name, "PW", Passwort::Umwandeln(password));
    accounts.Write(name, "Mail-Client-OL", "Wahr");
    accounts.Write(name, "Mail-Client-TE", "Falsch");
    accounts.Write(name, "Mail-Client-TE-Name", "");
    auto& a = imap.accounts[user];
    a.password = password;
    a.total = total;
    a.seen = seen;
    a.recent = recent;
    return a;
  }

  std::vector<std::string> TreeTexts() const {
    std::vector<std::string> texts;
    for (const auto& n : tree.nodes) {
      texts.push_back(n.countText.empty() ? n.text : n.text + " " + n.countText);
    }
    return texts;
  }

  FakeAttendanceView& List() {
    fm.fmAnwesend().Personal();
    return *attendanceViews.current;
  }
};

}  // namespace pw::test
