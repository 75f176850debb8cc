// The single instances of the three account dialogs, as the main window opens them.
#pragma once

#include <functional>
#include <string>

#include "accounts/AccountDialogViews.h"
#include "accounts/FmDelete.h"
#include "accounts/FmEdit.h"
#include "accounts/FmNew.h"
#include "platform/Timer.h"
#include "registry/SettingsStore.h"

namespace pw {

class AccountDialogs {
 public:
  // mainTimer2 is fmStart's Timer2, which each dialog's closing step switches on; the crypto
  // protects the passwords the dialogs store.
  AccountDialogs(AccountDialogViewFactory& views, SettingsStore& settings, Timer& mainTimer2,
                 Crypto* crypto = nullptr);

  // Each loads its dialog when it is not loaded and shows it modeless; a dialog that is open
  // already comes to the front as it is.
  void ShowEdit() { edit_.Show(); }
  void ShowNew() { new_.Show(); }
  void ShowDelete() { delete_.Show(); }
  // Sets the text of fmEdit's cmbAnzeigeName, which loads that account into the dialog.
  void SetEditAnzeigeName(const std::string& name) { edit_.SetAnzeigeName(name); }

  // Told whenever one of the dialogs added or removed an account (the attendance list).
  void SetAccountsChanged(const std::function<void()>& changed) {
    new_.SetAccountsChanged(changed);
    edit_.SetAccountsChanged(changed);
    delete_.SetAccountsChanged(changed);
  }

  FmNew& fmNew() { return new_; }
  FmEdit& fmEdit() { return edit_; }
  FmDelete& fmDelete() { return delete_; }

 private:
  FmNew new_;
  FmEdit edit_;
  FmDelete delete_;
};

}  // namespace pw
