// The mail-client choice read from the account store.
#include "notify/ClientChoice.h"

namespace pw {

std::string ChooseMailClient(AccountStore& accounts, const std::string& account,
                             Globals& globals) {
  const bool outlook = FlagFromText(accounts.Read(account, "Mail-Client-OL", ""));
  const bool terminal = FlagFromText(accounts.Read(account, "Mail-Client-TE", ""));
  std::string connection = accounts.Read(account, "Mail-Client-TE-Name", "");
  if (outlook) {
    globals.UseOutlook = true;
  } else if (terminal) {
    globals.UseOutlook = false;
  }
  return connection;
}

}  // namespace pw
