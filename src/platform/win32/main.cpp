// Entry point of postwacht.exe: creates the platform objects and the main window fmStart, loads
// it and runs the message loop until the form has unloaded.
#include "app/FmStart.h"
#include "core/AppError.h"
#include "platform/win32/AttendanceWindow.h"
#include "platform/win32/FmStartEvents.h"
#include "platform/win32/MainWindow.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32EventLoop.h"
#include "platform/win32/Win32Gui.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Timers.h"
#include "platform/win32/Win32TrayShell.h"
#include "platform/win32/Win32WindowSystem.h"
#include "registry/SettingsStore.h"

namespace {

// TEMPORARY stand-in until the IMAP client is wired here: every sign-in finds the server
// unreachable (connection refused), which the sign-in shows in the tray.
class StandInUnreachableImap : public pw::ImapComponent, public pw::ImapMailbox {
 public:
  void SetTimeout(std::int32_t) override {}
  void SetPort(int) override {}
  void SignIn(const std::string&, const std::string&, const std::string&) override {
    throw pw::AppError(pw::kImapErrorConnectionRefused, "SignIn",
                       "Es konnte keine Verbindung hergestellt werden, da der Zielcomputer die "
                       "Verbindung verweigerte.");
  }
  void PostSignIn() override {}
  pw::ImapMailbox& Mailbox(const std::string&) override { return *this; }
  void SignOut() override {}
  void Search(const std::string&, std::string& output, int) override { output.clear(); }
  std::int32_t MessageCount() override { return 0; }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  try {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                     ICC_STANDARD_CLASSES | ICC_TAB_CLASSES;
    InitCommonControlsEx(&controls);

    // Declared in the order that lets each object outlive everything that uses it.
    pw::win32::Win32EventLoop loop;
    pw::win32::Win32TimerFactory timers(instance);
    pw::win32::MainWindow window(instance, loop);
    pw::win32::Win32Registry registry;
    pw::SettingsStore settings(registry);
    pw::win32::Win32Environment environment;
    pw::win32::Win32Clock clock;
    pw::win32::Win32Dialogs dialogs(instance);
    pw::win32::Win32TrayShell tray;
    pw::win32::Win32WindowSystem windows;
    StandInUnreachableImap imap;
    pw::win32::AttendanceWindowFactory attendanceViews(instance, loop, window.Hwnd());
    pw::Globals globals;

    pw::FmStart form({settings, environment, clock, timers, loop, dialogs, tray, windows, window,
                      window.Anzeige(), window.StatusBar(), imap, attendanceViews},
                     globals);
    pw::win32::FmStartEvents events(form, window);
    window.Attach(&events);
    form.Form_Load();
    int exitCode = loop.Run();
    window.Attach(nullptr);
    return exitCode;
  } catch (...) {
    return 1;
  }
}
