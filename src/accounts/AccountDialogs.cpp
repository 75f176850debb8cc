// The account dialogs' host.
#include "accounts/AccountDialogs.h"

namespace pw {

AccountDialogs::AccountDialogs(AccountDialogViewFactory& views, SettingsStore& settings,
                               Timer& mainTimer2)
    : new_(views, settings, mainTimer2),
      edit_(views, settings, mainTimer2),
      delete_(views, settings, mainTimer2) {}

}  // namespace pw
