// The mail-client choice read from the account store.
#include "notify/ClientChoice.h"

namespace pw {

std::string ChooseMailClient(AccountStore& accounts, const std::string& account, Globals& globals) {
  const bool outlook = FlagFromText(accounts.Read(account, kValueOutlook, ""));
  const bool terminal = FlagFromText(accounts.Read(account, kValueTerminal, ""));
  std::string connection = accounts.Read(account, kValueTerminalName, "");
  if (outlook) {
    globals.UseOutlook = true;
  } else if (terminal) {
    globals.UseOutlook = false;
  }
  return connection;
}

}  // namespace pw
