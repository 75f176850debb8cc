// The mail check run: every ticked account signed in, counted, shown in the tree, announced.
// Up to "Gleichzeitig" mailboxes are signed in at once by the workers; what the desk sees
// comes strictly in the rows' order, on the window's thread.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <exception>

#include "app/FmStart.h"
#include "common/Text.h"
#include "common/Texts.h"
#include "imap/ServerBusy.h"
#include "platform/Trace.h"

namespace pw {
namespace {

// Clears the run flag however the run ends.
class RunGuard {
 public:
  explicit RunGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunGuard() { flag_ = false; }
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;

 private:
  bool& flag_;
};

// Marks the wait for a worker, so that the close box ends it.
class AwaitGuard {
 public:
  explicit AwaitGuard(bool& flag) : flag_(flag), outer_(flag) { flag_ = true; }
  ~AwaitGuard() { flag_ = outer_; }
  AwaitGuard(const AwaitGuard&) = delete;
  AwaitGuard& operator=(const AwaitGuard&) = delete;

 private:
  bool& flag_;
  bool outer_;
};

constexpr int kDefaultConcurrent = 6;
constexpr int kMostConcurrent = 16;
// The longest wait a server may ask for before the next sign-in.
constexpr long long kLongestBackoffMs = 10 * 60 * 1000;

}  // namespace

std::int32_t FmStart::FelderZaehlen(const std::string& text) {
  // Counted wide and capped, so that no result can wrap the count.
  std::int64_t count = text.empty() ? 0 : 1;
  for (char c : text) {
    if (c == ',') ++count;
  }
  return static_cast<std::int32_t>(std::min<std::int64_t>(count, INT32_MAX));
}

void FmStart::mRefreshTray_Click() { mRefresh_Click(); }

void FmStart::mRefresh_Click() {
  // A trigger that arrives while a run waits in a yield, a message box or the attendance
  // window is dropped: two runs must never share the one IMAP component. Nor does a run start
  // while the browser sign-in waits.
  if (runInProgress_ || unloaded_ || signInActive_) return;
  RunGuard guard(runInProgress_);
  RunCheck();
  if (!unloaded_) s_.window.SetDefaultMousePointer();
}

int FmStart::ConcurrentSetting() {
  const std::string stored = ServerSetting(kValueConcurrent, "");
  const std::string_view text = Trim(stored);
  long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || end != text.data() + text.size() ||
      (ec != std::errc() && ec != std::errc::result_out_of_range)) {
    return kDefaultConcurrent;
  }
  if (ec == std::errc::result_out_of_range) return text.front() == '-' ? 1 : kMostConcurrent;
  return static_cast<int>(std::clamp<long>(value, 1, kMostConcurrent));
}

void FmStart::ShowStatus(CheckRun& run, const std::string& text) {
  // The token's fetch names the first mailbox before its sign-in; its showing does not again.
  if (run.status == text) return;
  run.status = text;
  s_.StatusBar.SetPanelText(0, text);
}

void FmStart::AbortWaitingSignIns() {
  if (!runInProgress_) return;
  // The close box ends the waits as it ends a waiting call of Imap1.
  Workers().Abort(runId_);
  if (awaiting_) runAborted_ = true;
}

void FmStart::NoteServerBusy(const AppError& error) {
  serverBusyThisRun_ = true;
  const std::optional<long long> ms = imap::SuggestedBackoffMs(error.Description());
  if (!ms || *ms <= 0) return;
  busyHold_ = true;
  timerBackoff_->SetEnabled(false);
  timerBackoff_->SetInterval(static_cast<std::uint32_t>(std::min(*ms, kLongestBackoffMs)));
  timerBackoff_->SetEnabled(true);
}

void FmStart::TimerBackoff_Timer() {
  busyHold_ = false;
  timerBackoff_->SetEnabled(false);
}

void FmStart::Accept(CheckRun& run, MailboxResult result) {
  // A result of a run that ended early has nothing more to show.
  if (result.run != run.id) return;
  --run.inProgress;
  if (result.signInError && result.signInError->Number() == kImapServerBusy) {
    run.stopStarting = true;
  }
  run.finished[result.row] = std::move(result);
}

bool FmStart::AwaitResult(CheckRun& run) {
  AwaitGuard guard(awaiting_);
  if (std::optional<MailboxResult> r = Workers().Finished(kPumpEveryMs)) Accept(run, *r);
  while (std::optional<MailboxResult> r = Workers().Finished(0)) Accept(run, *r);
  s_.loop.DoEvents();
  return !unloaded_ && !runAborted_;
}

MailboxJob FmStart::PrepareSignIn(const std::string& name) {
  MailboxJob job;
  job.account = name;
  job.host = globals_.ImapServerName;
  job.user = accounts_.Read(name, kValueUser, "");
  if (oauthRun_) {
    job.token = true;
    job.secret = accessToken_;
  } else {
    try {
      job.secret = accounts_.PasswordForSignIn(name);
    } catch (const AppError& e) {
      // A protected password that cannot be read counts as a wrong one, without asking.
      job.refused = e;
    }
  }
  job.port = port_;
  job.security = security_;
  job.certificate = certificate_;
  job.timeoutMs = 10000;
  job.newMail = std::make_shared<NewMailSignal>(
      s_.settings, name, ShowsSender(ServerSetting(kValueShowSender, kSwitchYes)));
  return job;
}

// Starts the ticked rows in order while fewer than the limit are in progress; false when the
// run ends.
bool FmStart::StartSignIns(CheckRun& run) {
  // While the attendance list may still come up, one sign-in at a time: what it says decides
  // over the rows after the first.
  const int limit = AttendancePending() ? 1 : run.limit;
  while (!run.stopStarting && run.next < run.rows && run.inProgress < limit) {
    const std::int32_t r = run.next;
    if (anwesend_->Personal().Tick(r) != 1) {
      ++run.next;
      continue;
    }
    const std::string account = anwesend_->Personal().Text(r);
    // With OAuth2 the token is fetched for the run's first account, not before: a run with
    // nobody ticked needs none.
    if (oauthRun_ && accessToken_.empty()) {
      globals_.CurrentAccount = account;
      ShowStatus(run, std::string(kStatusRunStarted) + " " + account);
      const bool ready = ObtainToken();
      if (unloaded_) return false;
      if (!ready) {
        run.stopStarting = true;
        break;
      }
    }
    // The server asked for a pause that has not passed: the run finds it out of reach.
    if (busyHold_) {
      serverDown_ = true;
      run.stopStarting = true;
      break;
    }
    MailboxJob job = PrepareSignIn(account);
    job.run = run.id;
    job.row = r;
    run.started[r] = job;
    ++run.inProgress;
    ++run.next;
    Workers().Start(std::move(job));
  }
  return true;
}

// Signs job in once more (with the renewed token) and waits for it; false when the run ends.
bool FmStart::SignInAgain(CheckRun& run, MailboxJob& job, MailboxResult& result) {
  while (run.inProgress >= run.limit) {
    if (!AwaitResult(run)) return false;
  }
  job.secret = accessToken_;
  ++run.inProgress;
  Workers().Start(job);
  for (;;) {
    while (std::optional<MailboxResult> r = Workers().Finished(0)) Accept(run, *r);
    auto it = run.finished.find(job.row);
    if (it != run.finished.end()) {
      result = std::move(it->second);
      run.finished.erase(it);
      return true;
    }
    if (!AwaitResult(run)) return false;
  }
}

void FmStart::RunCheck() {
  CheckRun run;
  run.id = ++runId_;
  RunCheck(run);
  // Sign-ins still under way when the run stopped end now: the next run must not find their
  // connections open beside its own.
  if (run.inProgress > 0) Workers().Abort(run.id);
  while (run.inProgress > 0 && !unloaded_) {
    if (std::optional<MailboxResult> r = Workers().Finished(kPumpEveryMs)) Accept(run, *r);
    s_.loop.DoEvents();
  }
}

void FmStart::RunCheck(CheckRun& run) {
  serverDown_ = false;
  serverBusyThisRun_ = false;
  runAborted_ = false;
  Workers().ForgetServerAddresses();
  tokenWorked_ = false;
  tokenRenewed_ = false;
  accessToken_.clear();
  try {
    oauthRun_ = ConfigureOAuth();
  } catch (const AppError& e) {
    ReportOnce(e);
    return;
  }
  try {
    std::int32_t n = anwesend_->Personal().RowCount();
    if (n == 1) globals_.AttendanceAsked = true;
    s_.loop.DoEvents();
    if (unloaded_) return;
    s_.StatusBar.SetPanelText(0, kStatusRunStarted);
    run.status = kStatusRunStarted;
    s_.Anzeige.Clear();
    n = anwesend_->Personal().RowCount();
    run.rows = n;
    const int setting = ConcurrentSetting();
    if (concurrentNow_ <= 0 || concurrentNow_ > setting) concurrentNow_ = setting;
    run.limit = std::max(1, std::min(concurrentNow_, workers_ ? kMostConcurrent : 1));
    for (;;) {
      if (!StartSignIns(run)) return;
      while (run.shown < run.next && !run.started.count(run.shown)) ++run.shown;
      if (run.shown >= run.next) {
        if (run.next >= run.rows || run.stopStarting) break;
        continue;
      }
      while (std::optional<MailboxResult> r = Workers().Finished(0)) Accept(run, *r);
      auto done = run.finished.find(run.shown);
      if (done == run.finished.end()) {
        if (!AwaitResult(run)) return;
        continue;
      }
      MailboxResult result = std::move(done->second);
      run.finished.erase(done);
      auto startedIt = run.started.find(run.shown);
      MailboxJob job = std::move(startedIt->second);
      run.started.erase(startedIt);
      ++run.shown;
      // Unticked while its sign-in was under way (the attendance list): not shown.
      if (anwesend_->Personal().Tick(job.row) != 1) continue;
      const Shown shown = ShowMailbox(run, job, result);
      if (shown == Shown::End) return;
      if (shown == Shown::Stop) break;
    }
    if (!run.failedAfterSignIn) afterSignInFailure_ = 0;
    if (serverBusyThisRun_) {
      // The next runs ask less of the server; each run that goes well one more again.
      concurrentNow_ = std::max(1, run.limit / 2);
    } else if (!serverDown_) {
      concurrentNow_ = std::min(setting, concurrentNow_ + 1);
    }
    s_.StatusBar.SetPanelText(0, kStatusRunEnded);
  } catch (const std::exception&) {
    // Any other failure ends the run silently; the status bar keeps its last text.
    TraceIgnored("FmStart.Mail_Check");
  }
}

// One mailbox's turn, in its row's order: the sign-in's outcome, then its counts.
FmStart::Shown FmStart::ShowMailbox(CheckRun& run, MailboxJob& job, MailboxResult& result) {
  const std::string& account = job.account;
  globals_.CurrentAccount = account;
  ShowStatus(run, std::string(kStatusRunStarted) + " " + account);
  // With OAuth2: a mailbox started with a token renewed since is signed in again with the new
  // one; the first refusal before any mailbox took the token renews it, once per run.
  while (oauthRun_ && result.signInError && result.signInError->Number() == kOAuthTokenRefused) {
    if (job.secret != accessToken_) {
      if (!SignInAgain(run, job, result)) return Shown::End;
      continue;
    }
    if (tokenWorked_ || tokenRenewed_) break;
    try {
      RenewToken();
    } catch (const AppError& e) {
      result.signInError = e;
      break;
    }
    if (unloaded_) return Shown::End;
  }
  if (result.signInError) {
    const AppError& error = *result.signInError;
    // SignOut from the close box ended the call: the run ends, as at any untrapped error.
    if (error.Number() == kNetAborted) return Shown::End;
    if (error.Number() == kImapServerBusy) NoteServerBusy(error);
    ReportSignInError(account, error);
    if (unloaded_) return Shown::End;
    // The remaining accounts are skipped like failed sign-ins; the next run tries again.
    if (serverDown_) return Shown::Stop;
    return Shown::Next;
  }
  if (oauthRun_) {
    tokenWorked_ = true;
    lastReported_.clear();
  }
  if (!job.token) accounts_.SignedIn(account, job.secret);
  if (!AfterSignIn(account)) return Shown::End;
  if (result.otherFailure) return Shown::End;
  if (result.afterError) {
    const AppError& error = *result.afterError;
    // After the sign-in the server fails as it can at the sign-in, and is reported the
    // same way, instead of the run ending silently as if all were well.
    if (error.Number() == kNetAborted || !ComponentFailure(error.Number())) return Shown::End;
    run.failedAfterSignIn = true;
    afterSignInFailure_ = error.Number();
    ReportSignInError(account, error);
    if (unloaded_) return Shown::End;
    if (serverDown_) return Shown::Stop;
    return Shown::Next;
  }
  const Shown shown = ShowMailboxResult(run, job, result);
  // The close box cut the sign-out off: the mailbox is shown, and the run ends there.
  if (shown == Shown::Next && result.signOutAborted) return Shown::End;
  return shown;
}

// What the desk sees of one signed-in mailbox: its announcement and its nodes in the tree.
FmStart::Shown FmStart::ShowMailboxResult(CheckRun& run, const MailboxJob& job,
                                          const MailboxResult& result) {
  const std::string& account = job.account;
  job.newMail->Remember();
  if (result.fresh) {
    s_.loop.DoEvents();
    if (unloaded_) return Shown::End;
    const bool quiet = quiet_.Ask();  // a presentation: no sound, the dialog behind
    if (globals_.TrayAlertsEnabled) {
      tray_.StartTrayBlink(account);
      if (!quiet) tray_.ShowBalloon(account, NewsLines(result.news));
      if (!run.soundPlayed && !quiet) s_.sound.PlayNewMail();
      run.soundPlayed = true;
    }
    if (forms_) {
      // A row is shown once per run, so each new mail gets a dialog of its own. Its loading
      // reads CurrentAccount, which a yield cannot have changed: no other run can start while
      // this one is in progress.
      NewMailDialog& dialog = forms_->CreateNewMail();
      dialog.SetNews(result.news);
      quiet_.Show(dialog);
    }
  }
  const std::int32_t seenCount = FelderZaehlen(result.seen);
  const std::int32_t total = result.total;
  ++run.k;
  const int node = 3 * run.k;
  s_.Anzeige.AddNode(account, 0, 1, 1, 2, 1);
  s_.Anzeige.AddNode(kTreeUnread, 0, 2, 3, 3, 3);
  s_.Anzeige.SetAccountTag(node + 1, account);
  // More seen messages than messages (a server that counts them twice) is none unread.
  const std::int32_t unread = total > seenCount ? total - seenCount : 0;
  s_.Anzeige.SetCountText(node + 1, "(" + std::to_string(unread) + ")");
  s_.Anzeige.AddNode(kTreeTotal, 0, 2, 4, 4, 4);
  s_.Anzeige.SetCountText(node + 2, "(" + std::to_string(total) + ")");
  if (run.rows == 1) {
    s_.Anzeige.SetExpanded(0, true);
  } else {
    s_.Anzeige.ExpandCollapse(0, false);
  }
  return Shown::Next;
}

}  // namespace pw
