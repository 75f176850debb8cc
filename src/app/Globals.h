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
};

}  // namespace pw
