// The main window fmStart: start-up and shutdown, sign-in, the check run, its timers,
// window states, menus and tree events.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "accounts/AccountStore.h"
#include "app/MailboxWork.h"
#include "attendance/FmAnwesend.h"
#include "common/AppError.h"
#include "common/Forms.h"
#include "common/Globals.h"
#include "common/ImapComponent.h"
#include "common/MainWindowView.h"
#include "common/SettingsNames.h"
#include "common/Texts.h"
#include "notify/MailProgrammAufruf.h"
#include "notify/QuietAnnouncement.h"
#include "notify/TreeEvents.h"
#include "oauth/OAuthConfig.h"
#include "oauth/OAuthSession.h"
#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/EventLoop.h"
#include "platform/NetworkState.h"
#include "platform/SystemSound.h"
#include "platform/Timer.h"
#include "platform/TrayShell.h"
#include "platform/WindowSystem.h"
#include "registry/SettingsStore.h"
#include "tray/NotifyIcon.h"
#include "tray/WindowStates.h"

namespace pw {

// Everything fmStart reaches on the platform.
struct MainWindowServices {
  SettingsStore& settings;
  Environment& environment;
  Clock& clock;
  TimerFactory& timers;
  EventLoop& loop;
  Dialogs& dialogs;
  TrayShell& tray;
  WindowSystem& windows;
  MainWindowView& window;
  TreeControl& Anzeige;
  StatusBarControl& StatusBar;
  ImapComponent& Imap1;
  AttendanceViewFactory& attendanceViews;
  SystemSound& sound;
};

class FmStart : public MainWindowEvents {
 public:
  FmStart(MainWindowServices services, Globals& globals);
  ~FmStart() override;

  // The other windows; until attached, their menu items do nothing.
  void AttachForms(Forms& forms) {
    forms_ = &forms;
    states_.AttachForms(forms);
  }

  // The OAuth2 tokens; without them "Anmeldung" = "OAuth2" is reported as a bad setting.
  void AttachOAuth(OAuthSession& session) { oauth_ = &session; }
  // The workers that sign mailboxes in at once; without them the run does one after another
  // on Imap1.
  void AttachWorkers(MailboxWorkers& workers) { workers_ = &workers; }
  // Whether the network is up; without it, it always is.
  void AttachNetwork(NetworkState& network) { network_ = &network; }
  // The protection of the passwords (DPAPI); without it they are read and kept scrambled.
  void AttachCrypto(Crypto& crypto) { accounts_.UseCrypto(&crypto); }
  // Whether the user must not be disturbed; without it new mail is always announced as usual.
  void AttachAttention(UserAttention& attention) { quiet_.Attach(attention); }
  // The answer for the announcement in progress: no balloon while it is quiet.
  bool AnnouncingQuietly() const { return quiet_.Quiet(); }

  // Start-up and shutdown.
  void Form_Load();
  void Form_Activate() override;
  void Form_Paint() override;
  void Form_Unload();

  // Sign-in and the check run.
  bool Login(const std::string& name);
  void mRefresh_Click() override;
  void mRefreshTray_Click() override;
  static std::int32_t FelderZaehlen(const std::string& text);

  // Timers.
  void Timer1_Timer();
  void Timer2_Timer();
  void Timer3_Timer();
  void TimerIvis_Timer() { tray_.TimerIvis_Timer(); }
  void TimerVis_Timer() { tray_.TimerVis_Timer(); }
  void TimerResume_Timer();
  void TimerBackoff_Timer();

  // The PC woke from sleep, or its network addresses changed: once the network is up, a run
  // comes at once (while Timer1 runs), and no run before reports the server out of reach.
  void SystemResumed() override;
  void NetworkChanged() override;

  // Window states, the tray callback and close protection (tray/WindowStates).
  void Form_Resize() override { states_.Form_Resize(); }
  // The shell's mouse message number, taken from the tray callback.
  void Form_MouseMove(int message) override { states_.Form_MouseMove(message); }
  // The balloon does what "Öffnen" does for the mailbox it announced.
  void Tray_BalloonClick() override {
    if (forms_ && !tray_.BalloonAccount().empty()) forms_->OpenMailbox(tray_.BalloonAccount());
  }
  void RestoreMainWindow() { states_.RestoreMainWindow(); }
  void Form_QueryUnload(bool& cancel, int unloadMode) {
    states_.Form_QueryUnload(cancel, unloadMode);
    AbortWaitingSignIns();
  }
  // Runs the close protection and, when it lets the close go ahead, the unload.
  // Answers whether the window was unloaded.
  bool RequestUnload(int unloadMode) override;

  // Menus (tray/WindowStates; the two that end the program run the unload here).
  void mAnwesenheit_Click() override { states_.mAnwesenheit_Click(); }
  void mBeenden_Click() override { RequestUnload(kUnloadFormCode); }
  void mAnmelden_Click() override;
  void mEdit_Click() override { states_.mEdit_Click(); }
  void mNew_Click() override { states_.mNew_Click(); }
  void mDelete_Click() override { states_.mDelete_Click(); }
  void mAbout_Click() override { states_.mAbout_Click(); }
  void mPopRestore_Click() override { states_.RestoreMainWindow(); }
  void mAnwesenheitTray_Click() override { states_.mAnwesenheitTray_Click(); }
  void mPopExit_Click() override { RequestUnload(kUnloadFormCode); }

  // Tree events (notify/TreeEvents).
  void Anzeige_NodeSelected(std::int32_t& index) override { tree_.Anzeige_NodeSelected(index); }
  void Anzeige_Click() override { tree_.Anzeige_Click(); }
  void Anzeige_DblClick() override { tree_.Anzeige_DblClick(); }

  // A new taskbar knows no icons: the tray icon is added again.
  void TaskbarCreated() override { tray_.AddIconAgain(); }

  // What the other windows reach on the main window.
  Timer& Timer1() { return *timer1_; }
  Timer& Timer2() { return *timer2_; }
  Timer& Timer3() { return *timer3_; }
  Timer& TimerVis() { return *timerVis_; }
  Timer& TimerIvis() { return *timerIvis_; }
  Timer& TimerResume() { return *timerResume_; }
  Timer& TimerBackoff() { return *timerBackoff_; }
  NotifyIcon& Tray() { return tray_; }
  FmAnwesend& fmAnwesend() { return *anwesend_; }
  MailProgrammAufruf& Launcher() { return launcher_; }
  Globals& GlobalValues() { return globals_; }
  bool CheckRunInProgress() const { return runInProgress_; }
  bool Unloaded() const { return unloaded_; }

 private:
  // One check run's mailboxes: started in row order, shown in row order.
  struct CheckRun {
    std::uint64_t id = 0;
    std::int32_t rows = 0;
    int limit = 1;           // the most sign-ins in progress at once
    std::int32_t next = 0;   // the next row to start
    std::int32_t shown = 0;  // the rows before it are shown or passed over
    int inProgress = 0;
    bool stopStarting = false;  // the server asked for patience, or the run ends
    std::map<std::int32_t, MailboxJob> started;
    std::map<std::int32_t, MailboxResult> finished;
    bool soundPlayed = false;  // the new-mail sound comes once per run
    int k = -1;                // the account nodes in the tree so far
    bool failedAfterSignIn = false;
    std::string status;
  };
  // What showing a mailbox leaves the run to do.
  enum class Shown { Next, Stop, End };

  void RunCheck();
  void RunCheck(CheckRun& run);
  MailboxWorkers& Workers() { return workers_ ? *workers_ : inlineWorkers_; }
  int ConcurrentSetting();
  bool StartSignIns(CheckRun& run);
  MailboxJob PrepareSignIn(const std::string& name);
  void Accept(CheckRun& run, MailboxResult result);
  bool AwaitResult(CheckRun& run);
  bool SignInAgain(CheckRun& run, MailboxJob& job, MailboxResult& result);
  Shown ShowMailbox(CheckRun& run, MailboxJob& job, MailboxResult& result);
  Shown ShowMailboxResult(CheckRun& run, const MailboxJob& job, const MailboxResult& result);
  void ShowStatus(CheckRun& run, const std::string& text);
  bool AfterSignIn(const std::string& name);
  void NoteServerBusy(const AppError& error);
  void AbortWaitingSignIns();
  bool NetworkUp();
  void StartResumeWait();
  bool AttendancePending() const;
  bool InWindow(int centreSeconds) const;
  void ReportSignInError(const std::string& name, const AppError& error);
  // A value of the "Server" key, the one reader for all of them.
  std::string ServerSetting(const std::string& name, const std::string& defaultValue);
  // OAuth2: the settings taken anew for this run; false with "Kennwort".
  bool ConfigureOAuth();
  void SignInWithToken(const std::string& user);
  void RenewToken();
  bool ObtainToken();
  bool RunSignIn();
  void ShowSignInRequired();
  void ReportOnce(const AppError& error);

  MainWindowServices s_;
  Globals& globals_;
  std::unique_ptr<Timer> timer1_, timer2_, timer3_, timerVis_, timerIvis_, timerResume_,
      timerBackoff_;
  NotifyIcon tray_;
  std::unique_ptr<FmAnwesend> anwesend_;
  AccountStore accounts_;
  MailProgrammAufruf launcher_;
  WindowStates states_;
  TreeEvents tree_;
  QuietAnnouncement quiet_;
  Forms* forms_ = nullptr;
  InlineWorkers inlineWorkers_;
  MailboxWorkers* workers_ = nullptr;
  NetworkState* network_ = nullptr;
  bool runInProgress_ = false;
  std::uint64_t runId_ = 0;
  bool awaiting_ = false;    // the run waits for a worker's result, serving the window
  bool runAborted_ = false;  // the close box ended that wait
  // The server's limits: the sign-ins at once for the next runs (0: the setting's), and no
  // sign-in until the wait the server asked for is over.
  int concurrentNow_ = 0;
  bool serverBusyThisRun_ = false;
  bool busyHold_ = false;
  // After a resume: the network's seconds waited so far, and whether a run is due.
  int resumeTicks_ = 0;
  bool resumePending_ = false;
  bool networkWasUp_ = true;
  // The connection's settings of the start-up, handed to the workers.
  int port_ = 143;
  std::string security_;
  std::string certificate_;
  // A sign-in of this run found the server unreachable or its secure connection failing.
  bool serverDown_ = false;
  // The failure reported once that came after a sign-in in the last run (0: none). A later
  // sign-in that works does not re-arm its box: it would come back with every run.
  std::int32_t afterSignInFailure_ = 0;
  bool unloaded_ = false;

  OAuthSession* oauth_ = nullptr;
  bool oauthRun_ = false;       // this run signs in with tokens
  std::string accessToken_;     // this run's, taken from oauth_ at its first account
  bool tokenWorked_ = false;    // a mailbox of this run took the token
  bool tokenRenewed_ = false;   // this run renewed the token once after a refusal
  bool signInOffered_ = false;  // the browser sign-in came up by itself since the last success
  bool signInActive_ = false;   // the browser sign-in is waiting
  std::string lastReported_;    // the OAuth2 problem whose message was shown last
  std::set<std::string> refusedReported_;  // mailboxes whose refusal was shown
};

}  // namespace pw
