// The mail-client choice of one account, as the dialog and the tree read it before a launch.
#pragma once

#include <string>

#include "accounts/AccountStore.h"
#include "common/Globals.h"

namespace pw {

// Reads "Mail-Client-OL" and "Mail-Client-TE" as flags and sets UseOutlook from them (both
// False: unchanged); answers "Mail-Client-TE-Name". A missing or non-Boolean flag raises
// kErrTypeMismatch before UseOutlook is touched.
std::string ChooseMailClient(AccountStore& accounts, const std::string& account, Globals& globals);

}  // namespace pw
