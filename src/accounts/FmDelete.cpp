// fmDelete: removes the account named in the field, without asking, then closes.
#include "accounts/FmDelete.h"

#include <exception>

#include "platform/Trace.h"

namespace pw {

FmDelete::FmDelete(AccountDialogViewFactory& views, SettingsStore& settings, Timer& mainTimer2)
    : accounts_(settings), mainTimer2_(mainTimer2), view_(views, *this) {}

FmDelete::~FmDelete() = default;

void FmDelete::Load() {
  if (view_.Load()) Form_Load();
}

void FmDelete::Show() {
  Load();
  view_->Show();
}

void FmDelete::Unload() { view_.Unload(); }

void FmDelete::Form_Load() { UpdateOk(); }

void FmDelete::Form_Activate() {
  if (!view_) return;
  try {
    view_->ClearNames();
    for (const std::string& name : accounts_.List()) view_->AddName(name);
  } catch (const std::exception&) {
    // No Benutzer key yet: the list stays empty.
    TraceIgnored("FmDelete.Form_Activate");
  }
  UpdateOk();
}

void FmDelete::cmbAnzeigeName_Change() { UpdateOk(); }

void FmDelete::cmbAnzeigeName_Click() { UpdateOk(); }

void FmDelete::cmdOK_Click() {
  if (!view_) return;
  const std::string name = view_->AnzeigeName();
  // An empty name or one with "\" would reach the Benutzer key itself or a key below an account.
  if (!accounts_.IsUsableName(name)) {
    UpdateOk();
    return;
  }
  try {
    accounts_.Remove(name);
  } catch (const std::exception&) {
    // A name that is not stored: nothing is removed, and the dialog closes all the same.
    TraceIgnored("FmDelete.cmdOK_Click");
  }
  if (accountsChanged_) accountsChanged_();
  Schliessen();
}

void FmDelete::cmdCancel_Click() { Schliessen(); }

// The close box switches Timer2 on as the buttons do, so that the main window does not stay up.
void FmDelete::Form_CloseBox() { Schliessen(); }

void FmDelete::Schliessen() {
  mainTimer2_.SetEnabled(true);
  Unload();
}

void FmDelete::UpdateOk() {
  if (view_) view_->SetOkEnabled(accounts_.IsUsableName(view_->AnzeigeName()));
}

}  // namespace pw
