// fmStart.Login: signs one account in and reports what goes wrong, with the office-day windows.
#include <cstdlib>

#include "accounts/Passwort.h"
#include "app/FmStart.h"
#include "core/AppError.h"

namespace pw {
namespace {

constexpr int kAttendanceMorning = 7 * 3600 + 45 * 60;
constexpr int kAttendanceEvening = 17 * 3600 + 18 * 60;
constexpr int kReportMorning = 7 * 3600 + 45 * 60;
constexpr int kReportAfternoon = 13 * 3600 + 15 * 60;
constexpr int kTolerance = 15 * 60;

}  // namespace

bool FmStart::InWindow(int centreSeconds) const {
  return std::abs(s_.clock.SecondsSinceMidnight() - centreSeconds) < kTolerance;
}

bool FmStart::Login(const std::string& name) {
  s_.Imap1.SetTimeout(10000);
  std::string user = accounts_.Read(name, "NT-USER", "");
  std::string password = Passwort::Umwandeln(accounts_.Read(name, "PW", ""));

  try {
    s_.Imap1.SignIn(globals_.ImapServerName, user, password);
  } catch (const AppError& error) {
    const int n = error.Number();
    const bool inReportWindow = InWindow(kReportMorning) || InWindow(kReportAfternoon);
    if (inReportWindow && n == kImapErrorLoginRefused && !globals_.WrongPasswordReported) {
      if (forms_) forms_->ShowEdit();
      s_.loop.DoEvents();
      globals_.WrongPasswordReported = true;
      s_.dialogs.MsgBox("Passwort oder Benutzernahme von " + name + " falsch!",
                        "Falscher Eintrag! Bitte um Änderung!!");
      if (forms_) forms_->SetEditAnzeigeName(name);
    } else if ((n == kImapErrorTimedOut || n == kImapErrorConnectionRefused) &&
               !globals_.ServerUnreachableShown) {
      tray_.ShowServerUnreachable();
      globals_.ServerUnreachableShown = true;
    } else if (n != kImapErrorSilent && n != kImapErrorLoginRefused &&
               n != kImapErrorConnectionRefused && n != kImapErrorTimedOut) {
      s_.dialogs.MsgBox("Error#" + std::to_string(n) + ": " + error.Description(),
                        "Mailpostwacht unerwarteter Fehler!");
    } else if (globals_.WrongPasswordReported && !inReportWindow) {
      globals_.WrongPasswordReported = false;
    }
    return false;
  }

  s_.Imap1.PostSignIn();

  if (InWindow(kAttendanceMorning) || InWindow(kAttendanceEvening)) {
    if (!globals_.AttendanceAsked) anwesend_->ShowModal();
    globals_.AttendanceAsked = true;
  } else {
    globals_.AttendanceAsked = false;
  }

  if (globals_.ServerUnreachableShown) {
    globals_.ServerUnreachableShown = false;
    tray_.ShowServerReachable();
  }
  return true;
}

}  // namespace pw
