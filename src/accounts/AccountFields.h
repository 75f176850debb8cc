// What fmNew and fmEdit share: saving the five fields, and whether they can be saved.
#pragma once

#include <string>

#include "accounts/AccountDialogViews.h"
#include "accounts/AccountStore.h"

namespace pw {

// Writes "NT-USER", "PW" (scrambled), "Mail-Client-OL", "Mail-Client-TE" and
// "Mail-Client-TE-Name" in that order; a refused write raises and ends the writes there.
void SaveAccountFields(AccountStore& accounts, const std::string& name,
                       const AccountFieldsView& fields);

// OK stays disabled while the display name or the password cannot be stored as typed (a
// password with the character of code 3 would scramble to NUL and be cut short).
bool CanSaveAccount(const std::string& name, const std::string& password);

}  // namespace pw
