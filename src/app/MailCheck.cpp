// The mail check run: every ticked account signed in, counted, shown in the tree, announced.
#include <algorithm>
#include <cstdint>
#include <exception>

#include "app/FmStart.h"
#include "app/NewMailSignal.h"
#include "common/Texts.h"
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

// A failure of the IMAP component (its numbers, the connection's and the secured connection's),
// as opposed to one of the tree, the dialogs or the settings.
bool ComponentFailure(int n) {
  return n == kNetTimedOut || n == kNetRefused || n == kImapErrorLoginRefused ||
         n == kImapErrorSilent || (n >= kNetHostNotFound && n < kNetHostNotFound + 100);
}

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

void FmStart::RunCheck() {
  serverDown_ = false;
  s_.Imap1.ForgetServerAddresses();
  // The new-mail sound comes once per run, however many accounts have new mail.
  bool soundPlayed = false;
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
    s_.Anzeige.Clear();
    n = anwesend_->Personal().RowCount();
    int k = -1;
    bool failedAfterSignIn = false;
    for (std::int32_t i = 1; i <= n; ++i) {
      const std::int32_t r = i - 1;
      if (anwesend_->Personal().Tick(r) != 1) continue;
      std::string recent;
      std::string seen;
      globals_.CurrentAccount = anwesend_->Personal().Text(r);
      const std::string account = globals_.CurrentAccount;
      s_.StatusBar.SetPanelText(0, std::string(kStatusRunStarted) + " " + account);
      // With OAuth2 the token is fetched for the run's first account, not before: a run with
      // nobody ticked needs none.
      if (oauthRun_ && accessToken_.empty()) {
        const bool ready = ObtainToken();
        if (unloaded_) return;
        if (!ready) break;
      }
      const bool signedIn = Login(account);
      if (unloaded_) return;
      // The remaining accounts are skipped like failed sign-ins; the next run tries again.
      if (serverDown_) break;
      if (!signedIn) continue;
      std::int32_t seenCount = 0;
      std::int32_t total = 0;
      try {
        NewMailSignal newMail(s_.settings, account,
                              ShowsSender(ServerSetting(kValueShowSender, kShowSenderDefault)));
        newMail.Announce(s_.Imap1.Mailbox("INBOX"));
        s_.Imap1.Mailbox("INBOX").Search("RECENT", recent, 0);
        s_.Imap1.Mailbox("INBOX").Search("SEEN", seen, 0);
        if (newMail.Decide(recent, s_.Imap1.Mailbox("INBOX"))) {
          const MailNews news = newMail.News(s_.Imap1.Mailbox("INBOX"));
          s_.loop.DoEvents();
          if (unloaded_) return;
          if (globals_.TrayAlertsEnabled) {
            tray_.StartTrayBlink(account);
            tray_.ShowBalloon(account, NewsLines(news));
            if (!soundPlayed) s_.sound.PlayNewMail();
            soundPlayed = true;
          }
          if (forms_) {
            // A row is visited once per run, so each new mail gets a dialog of its own. Its
            // loading reads CurrentAccount, which a yield cannot have changed: no other run can
            // start while this one is in progress.
            NewMailDialog& dialog = forms_->CreateNewMail();
            dialog.SetNews(news);
            dialog.Show();
            dialog.SetFocus();
          }
        }
        seenCount = FelderZaehlen(seen);
        total = s_.Imap1.Mailbox("INBOX").MessageCount();
      } catch (const AppError& error) {
        // After the sign-in the server fails as it can at the sign-in, and is reported the
        // same way, instead of the run ending silently as if all were well.
        if (error.Number() == kNetAborted || !ComponentFailure(error.Number())) throw;
        s_.Imap1.SignOut();
        failedAfterSignIn = true;
        afterSignInFailure_ = error.Number();
        ReportSignInError(account, error);
        if (unloaded_) return;
        if (serverDown_) break;
        continue;
      }
      ++k;
      const int node = 3 * k;
      s_.Anzeige.AddNode(account, 0, 1, 1, 2, 1);
      s_.Anzeige.AddNode(kTreeUnread, 0, 2, 3, 3, 3);
      s_.Anzeige.SetAccountTag(node + 1, account);
      // More seen messages than messages (a server that counts them twice) is none unread.
      const std::int32_t unread = total > seenCount ? total - seenCount : 0;
      s_.Anzeige.SetCountText(node + 1, "(" + std::to_string(unread) + ")");
      s_.Anzeige.AddNode(kTreeTotal, 0, 2, 4, 4, 4);
      s_.Anzeige.SetCountText(node + 2, "(" + std::to_string(total) + ")");
      if (n == 1) {
        s_.Anzeige.SetExpanded(0, true);
      } else {
        s_.Anzeige.ExpandCollapse(0, false);
      }
      s_.Imap1.SignOut();
    }
    if (!failedAfterSignIn) afterSignInFailure_ = 0;
    s_.StatusBar.SetPanelText(0, kStatusRunEnded);
  } catch (const std::exception&) {
    // Any other failure ends the run silently; the status bar keeps its last text.
    TraceIgnored("FmStart.Mail_Check");
  }
}

}  // namespace pw
