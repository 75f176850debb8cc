// Entry point of postwacht.exe: creates the platform objects and the main window fmStart, loads
// it and runs the message loop until the form has unloaded.
#include <functional>
#include <memory>

#include "about/FrmAbout.h"
#include "accounts/AccountDialogs.h"
#include "app/AppForms.h"
#include "app/FmStart.h"
#include "app/MailboxWork.h"
#include "common/AppError.h"
#include "common/HeaderText.h"
#include "imap/ImapClientFactory.h"
#include "notify/NewMailDialogs.h"
#include "oauth/OAuthSession.h"
#include "platform/Crypto.h"
#include "platform/Http.h"
#include "platform/Loopback.h"
#include "platform/Trace.h"
#include "registry/SettingsStore.h"
#include "win32/AboutWindow.h"
#include "win32/AccountDialogWindows.h"
#include "win32/AttendanceWindow.h"
#include "win32/MainWindow.h"
#include "win32/NewMailWindow.h"
#include "win32/SignInWindow.h"
#include "win32/SingleInstance.h"
#include "win32/Win32Browser.h"
#include "win32/Win32Charsets.h"
#include "win32/Win32Clock.h"
#include "win32/Win32Dialogs.h"
#include "win32/Win32Environment.h"
#include "win32/Win32EventLoop.h"
#include "win32/Win32Gui.h"
#include "win32/Win32NetworkState.h"
#include "win32/Win32Registry.h"
#include "win32/Win32SystemSound.h"
#include "win32/Win32Timers.h"
#include "win32/Win32Trace.h"
#include "win32/Win32TrayShell.h"
#include "win32/Win32UserAttention.h"
#include "win32/Win32VersionInfo.h"
#include "win32/Win32WindowSystem.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  pw::SetTraceSink(&pw::win32::DebuggerTrace);
  pw::SetCharsetConverter(&pw::win32::SystemCharsetToUtf8);
  try {
    // One watcher per user and session: a second start brings the first one's window up and
    // ends at once.
    pw::win32::SingleInstance single;
    if (!single.HandOverOrTakeOver(10000)) return 0;
    // After an update (the Restart Manager closed the program) or a reboot, Windows starts it
    // again; not after a crash or hang, which would only repeat.
    RegisterApplicationRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG);

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
    pw::win32::Win32SystemSound sound;
    pw::win32::Win32UserAttention attention;
    // The network waits serve the message loop: the window answers while a server is silent.
    const pw::WaitPump pump = [&loop] {
      loop.DoEvents();
      return !loop.Quitting();
    };
    std::unique_ptr<pw::ImapComponent> imap = pw::MakeImapClient(pump);
    // The OAuth2 sign-in: the token endpoint, DPAPI, the browser and the sign-in window.
    std::unique_ptr<pw::HttpClient> http = pw::MakeHttpClient(pump);
    std::unique_ptr<pw::Crypto> crypto = pw::MakeSystemCrypto();
    pw::win32::Win32Browser browser;
    pw::win32::SignInWindowFactory signInViews(instance, loop);
    pw::OAuthSession oauth({settings,
                            *http,
                            *crypto,
                            browser,
                            [] { return pw::MakeLoopbackListener(); },
                            signInViews,
                            pump,
                            {}},
                           pw::kSettingsApp);
    pw::win32::AttendanceWindowFactory attendanceViews(instance, loop);
    pw::Globals globals;
    // The check run's workers: each its own connection, all sharing the run's one lookup of the
    // server's name. Their waits do not serve the window; the run's own wait does.
    auto addresses = std::make_shared<pw::SharedAddresses>();
    // Winsock's waits ask the pump only when a message wakes them: the workers' threads are
    // woken by a thread message, which their pump takes off the queue again.
    pw::ThreadWorkers workers(
        [addresses](pw::WaitPump abortCheck) {
          pw::WaitPump workerPump = [abortCheck = std::move(abortCheck)] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            }
            return abortCheck();
          };
          return pw::MakeImapClient(std::move(workerPump), addresses);
        },
        [addresses] { addresses->Forget(); },
        [] {
          MSG message;
          PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // gives the thread its queue
          const DWORD thread = GetCurrentThreadId();
          return std::function<void()>([thread] { PostThreadMessageW(thread, WM_NULL, 0, 0); });
        });
    pw::win32::Win32NetworkState network;

    pw::FmStart form({settings, environment, clock, timers, loop, dialogs, tray, windows, window,
                      window.Anzeige(), window.StatusBar(), *imap, attendanceViews, sound},
                     globals);
    // The other windows: account dialogs, About box and the new-message dialogs.
    HICON programIcon = reinterpret_cast<HICON>(window.MainIcon());
    pw::win32::AccountDialogWindowFactory accountViews(instance, loop);
    pw::AccountDialogs accountDialogs(accountViews, settings, form.Timer2(), crypto.get());
    accountDialogs.SetAccountsChanged([&form] { form.fmAnwesend().AccountsChanged(); });
    pw::win32::Win32VersionInfo version;
    pw::win32::AboutWindowFactory aboutViews(instance, loop, programIcon);
    pw::FrmAbout about(aboutViews, {registry, windows, dialogs, version}, form.Timer2());
    pw::win32::NewMailWindowFactory newMailViews(instance, loop, programIcon);
    pw::NewMailDialogs newMail(newMailViews, globals, form.Tray(), form.Launcher(), settings);
    pw::AppForms forms(accountDialogs, about, newMail);
    form.AttachForms(forms);
    form.AttachOAuth(oauth);
    form.AttachWorkers(workers);
    form.AttachNetwork(network);
    network.Watch(window.Hwnd());
    form.AttachCrypto(*crypto);
    form.AttachAttention(attention);

    window.Attach(&form);
    form.Form_Load();
    int exitCode = loop.Run();
    window.Attach(nullptr);
    return exitCode;
  } catch (...) {
    pw::TraceIgnored("wWinMain");
    return 1;
  }
}
