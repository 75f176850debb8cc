// fmNew: writes the typed account under the typed display name, then closes.
#include "accounts/FmNew.h"

#include "accounts/AccountFields.h"

namespace pw {

FmNew::FmNew(AccountDialogViewFactory& views, SettingsStore& settings, Timer& mainTimer2,
             Crypto* crypto)
    : accounts_(settings, crypto), mainTimer2_(mainTimer2), view_(views, *this) {}

FmNew::~FmNew() = default;

void FmNew::Load() {
  if (view_.Load()) Form_Load();
}

void FmNew::Show() {
  Load();
  view_->Show();
}

void FmNew::Unload() { view_.Unload(); }

void FmNew::Form_Load() { UpdateOk(); }

void FmNew::txtAnzeigeName_Change() { UpdateOk(); }

void FmNew::txtPassword_Change() { UpdateOk(); }

void FmNew::cmdOK_Click() {
  if (!view_) return;
  if (!SaveTypedAccount(accounts_, *view_)) {
    UpdateOk();
    return;
  }
  if (accountsChanged_) accountsChanged_();
  Schliessen();
}

void FmNew::cmdCancel_Click() { Schliessen(); }

// Unlike the buttons the close box is not a closing step of its own; it switches Timer2 on too
// so that the main window does not stay up for good.
void FmNew::Form_CloseBox() { Schliessen(); }

void FmNew::Schliessen() {
  mainTimer2_.SetEnabled(true);
  Unload();
}

void FmNew::UpdateOk() {
  if (!view_) return;
  view_->SetOkEnabled(CanSaveAccount(accounts_, *view_));
  view_->SetOkHint(SaveHint(accounts_, *view_));
}

}  // namespace pw
