// Saving an account from the fields of the add and edit dialogs.
#include "accounts/AccountFields.h"

#include "accounts/Passwort.h"

namespace pw {

void SaveAccountFields(AccountStore& accounts, const std::string& name,
                       const AccountFieldsView& fields) {
  accounts.Write(name, "NT-USER", fields.UserName());
  accounts.Write(name, "PW", Passwort::Umwandeln(fields.Password()));
  accounts.Write(name, "Mail-Client-OL", FlagText(fields.OptionOL()));
  accounts.Write(name, "Mail-Client-TE", FlagText(fields.OptionTE()));
  accounts.Write(name, "Mail-Client-TE-Name", fields.LinkName());
}

bool CanSaveAccount(const std::string& name, const std::string& password) {
  return AccountStore::IsUsableName(name) && Passwort::IsStorable(password);
}

}  // namespace pw
