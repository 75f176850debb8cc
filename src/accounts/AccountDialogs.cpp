// The account dialogs' host.
#include "accounts/AccountDialogs.h"

namespace pw {

AccountDialogs::AccountDialogs(AccountDialogViewFactory& views, SettingsStore& settings,
                               Timer& mainTimer2, Crypto* crypto)
    : new_(views, settings, mainTimer2, crypto),
      edit_(views, settings, mainTimer2, crypto),
      delete_(views, settings, mainTimer2) {}

}  // namespace pw
