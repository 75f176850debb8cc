// Saving an account from the fields of the add and edit dialogs.
#include "accounts/AccountFields.h"

#include <exception>

#include "accounts/Passwort.h"
#include "common/Texts.h"
#include "platform/Trace.h"

namespace pw {

bool CanSaveAccount(AccountStore& accounts, const AccountFieldsView& fields) {
  return accounts.IsUsableName(fields.AnzeigeName()) && Passwort::IsStorable(fields.Password());
}

std::string SaveHint(AccountStore& accounts, const AccountFieldsView& fields) {
  const std::string name = fields.AnzeigeName();
  if (!name.empty() && !accounts.IsUsableName(name)) return kHintNameUnusable;
  if (!Passwort::IsStorable(fields.Password())) return kHintPasswordUnusable;
  return {};
}

bool SaveTypedAccount(AccountStore& accounts, const AccountFieldsView& fields) {
  // Refused names never reach the store; OK is disabled for them anyway.
  if (!CanSaveAccount(accounts, fields)) return false;
  const std::string name = fields.AnzeigeName();
  try {
    accounts.Write(name, kValueUser, fields.UserName());
    accounts.WritePassword(name, fields.Password());
    accounts.Write(name, kValueOutlook, FlagText(fields.OptionOL()));
    accounts.Write(name, kValueTerminal, FlagText(fields.OptionTE()));
    accounts.Write(name, kValueTerminalName, fields.LinkName());
  } catch (const std::exception&) {
    // The values written before the refused one stay.
    TraceIgnored("AccountFields: Write");
  }
  return true;
}

}  // namespace pw
