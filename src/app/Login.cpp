// fmStart.Login: signs one account in and reports what goes wrong, with the office-day windows.
#include <cstdlib>
#include <exception>
#include <optional>

#include "app/FmStart.h"
#include "common/AppError.h"
#include "common/Texts.h"
#include "imap/ImapErrors.h"
#include "platform/Tls.h"
#include "platform/Transport.h"

namespace pw {
namespace {

constexpr int kAttendanceMorning = 7 * 3600 + 45 * 60;
constexpr int kAttendanceEvening = 17 * 3600 + 18 * 60;
constexpr int kReportMorning = 7 * 3600 + 45 * 60;
constexpr int kReportAfternoon = 13 * 3600 + 15 * 60;
constexpr int kTolerance = 15 * 60;

// The server cannot be reached at all: the unreachable state, no message box.
// A server that asks for patience counts as one out of reach: reported once, no box.
bool Unreachable(int n) {
  return n == kNetTimedOut || n == kNetRefused || n == kNetUnreachable || n == kNetClosed ||
         n == kNetNameUnavailable || n == kImapServerBusy;
}

// A failure of the server or of the settings, not of one account: reported once, its message
// box the first time and the Stop picture with a tip of its own.
bool ReportedOnce(int n) {
  return n == kImapLoginDisabled || (n >= kTlsFailed && n <= kTlsBadSetting) ||
         n == kNetHostNotFound || n == kImapMalformedReply;
}

const char* ReportedOnceTip(int n) {
  if (n == kNetHostNotFound) return kHostNotFoundTip;
  if (n == kImapMalformedReply) return kMalformedReplyTip;
  return kSecureFailedTip;
}

}  // namespace

bool FmStart::InWindow(int centreSeconds) const {
  return std::abs(s_.clock.SecondsSinceMidnight() - centreSeconds) < kTolerance;
}

bool FmStart::AttendancePending() const {
  return !globals_.AttendanceAsked &&
         (InWindow(kAttendanceMorning) || InWindow(kAttendanceEvening));
}

bool FmStart::Login(const std::string& name) {
  s_.Imap1.SetTimeout(10000);
  const MailboxJob job = PrepareSignIn(name);

  try {
    try {
      if (oauthRun_) {
        SignInWithToken(job.user);
      } else if (std::optional<AppError> error = SignInMailbox(s_.Imap1, job)) {
        throw *error;
      }
    } catch (const AppError&) {
      throw;
    } catch (const std::exception& e) {
      throw InternalSignInError(&e);
    } catch (...) {
      throw InternalSignInError(nullptr);
    }
  } catch (const AppError& error) {
    // SignOut from the close box ended the call: the run ends, as at any untrapped error.
    if (error.Number() == kNetAborted) throw;
    ReportSignInError(name, error);
    return false;
  }

  s_.Imap1.PostSignIn();
  if (!job.token) accounts_.SignedIn(name, job.secret);
  return AfterSignIn(name);
}

// What follows a sign-in that worked, on the window's thread: the attendance list in the
// morning and the evening, and the reports that no longer hold.
bool FmStart::AfterSignIn(const std::string& name) {
  if (InWindow(kAttendanceMorning) || InWindow(kAttendanceEvening)) {
    if (!globals_.AttendanceAsked) anwesend_->ShowModal();
    globals_.AttendanceAsked = true;
    if (unloaded_) return false;
  } else {
    globals_.AttendanceAsked = false;
  }

  if (globals_.SecureConnectionError != afterSignInFailure_) globals_.SecureConnectionError = 0;
  refusedReported_.erase(name);
  if (globals_.ServerUnreachableShown || globals_.SecureConnectionShown ||
      globals_.SignInRequiredShown) {
    globals_.ServerUnreachableShown = false;
    globals_.SecureConnectionShown = false;
    globals_.SignInRequiredShown = false;
    tray_.ShowServerReachable();
  }
  return true;
}

void FmStart::ReportSignInError(const std::string& name, const AppError& error) {
  const int n = error.Number();
  const bool inReportWindow = InWindow(kReportMorning) || InWindow(kReportAfternoon);
  if (inReportWindow && n == kImapErrorLoginRefused && !globals_.WrongPasswordReported) {
    if (forms_) forms_->ShowEdit();
    s_.loop.DoEvents();
    if (unloaded_) return;
    globals_.WrongPasswordReported = true;
    s_.dialogs.MsgBox(kWrongPasswordBefore + name + kWrongPasswordAfter, kWrongPasswordTitle);
    if (forms_ && !unloaded_) forms_->SetEditAnzeigeName(name);
  } else if (n == kOAuthSignInRequired) {
    // The refresh token was refused while the run renewed it: the whole desk is signed out.
    serverDown_ = true;
    ShowSignInRequired();
  } else if (n == kOAuthTokenRefused) {
    // This mailbox only: the others go on; told once until it opens again.
    if (refusedReported_.insert(name).second) {
      s_.dialogs.MsgBox(kErrorNumberPrefix + std::to_string(n) + ": " + error.Description(),
                        kMailboxRefusedTitle);
    }
  } else if (n == kOAuthNoMechanism || n == kOAuthProviderError || n == kOAuthBadSetting ||
             n == kOAuthPlainConnection) {
    serverDown_ = true;
    ReportOnce(error);
  } else if (ReportedOnce(n)) {
    // Reported once, not per account and run: the rest of the run would fail the same way.
    serverDown_ = true;
    if (!globals_.SecureConnectionShown || globals_.SecureConnectionError != n) {
      tray_.ShowServerFailed(ReportedOnceTip(n));
    }
    globals_.SecureConnectionShown = true;
    globals_.ServerUnreachableShown = false;
    if (globals_.SecureConnectionError != n) {
      globals_.SecureConnectionError = n;
      s_.dialogs.MsgBox(kErrorNumberPrefix + std::to_string(n) + ": " + error.Description(),
                        kUnexpectedErrorTitle);
    }
  } else if (Unreachable(n)) {
    // All accounts live on the one server: the others would only wait out the same failure.
    serverDown_ = true;
    if (!globals_.ServerUnreachableShown) {
      tray_.ShowServerUnreachable();
      globals_.ServerUnreachableShown = true;
      globals_.SecureConnectionShown = false;
      globals_.SignInRequiredShown = false;
    } else if (globals_.WrongPasswordReported && !inReportWindow) {
      globals_.WrongPasswordReported = false;
    }
  } else if (n != kImapErrorSilent && n != kImapErrorLoginRefused) {
    s_.dialogs.MsgBox(kErrorNumberPrefix + std::to_string(n) + ": " + error.Description(),
                      kUnexpectedErrorTitle);
  } else if (globals_.WrongPasswordReported && !inReportWindow) {
    globals_.WrongPasswordReported = false;
  }
}

}  // namespace pw
