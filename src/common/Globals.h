// The values shared between the windows and modules (module Globals).
#pragma once

#include <string>

namespace pw {

struct Globals {
  std::string ImapServerName;
  bool TrayAlertsEnabled = true;
  std::string CurrentAccount;
  std::string SelectedAccount;
  bool UseOutlook = false;
  bool AttendanceAsked = false;
  bool WrongPasswordReported = false;
  bool ServerUnreachableShown = false;
  // The number of the server failure reported once (a failed secure connection, an unknown
  // host name, a malformed reply) whose message box was shown (0: none since the last
  // successful sign-in), and whether the tray shows that problem.
  int SecureConnectionError = 0;
  bool SecureConnectionShown = false;
  // The tray shows "Anmeldung erforderlich" (OAuth2: no token, or the provider refused it).
  bool SignInRequiredShown = false;
};

}  // namespace pw
