// What fmNew and fmEdit share: saving the five fields, and whether they can be saved.
#pragma once

#include <string>

#include "accounts/AccountDialogViews.h"
#include "accounts/AccountStore.h"

namespace pw {

// OK stays disabled while the display name or the password cannot be stored as typed (a
// password with the character of code 3 would scramble to NUL and be cut short).
bool CanSaveAccount(AccountStore& accounts, const AccountFieldsView& fields);

// Why the fields cannot be saved, for the line under them; empty when they can, or when only
// the display name is still missing (that needs no words).
std::string SaveHint(AccountStore& accounts, const AccountFieldsView& fields);

// OK of both dialogs: writes "NT-USER", "PW" (scrambled), "Mail-Client-OL", "Mail-Client-TE"
// and "Mail-Client-TE-Name" in that order under the typed display name. False, with nothing
// written, when the fields cannot be stored; the dialog then stays open. A refused write keeps
// the values written before it and returns true: the dialog closes without a message.
bool SaveTypedAccount(AccountStore& accounts, const AccountFieldsView& fields);

}  // namespace pw
