// fmEdit: loads an account's values whenever the name text changes and saves them under the
// name in the field; saving under another name makes a further account.
#include "accounts/FmEdit.h"

#include <exception>

#include "accounts/AccountFields.h"
#include "platform/Trace.h"

namespace pw {

FmEdit::FmEdit(AccountDialogViewFactory& views, SettingsStore& settings, Timer& mainTimer2,
               Crypto* crypto)
    : accounts_(settings, crypto), mainTimer2_(mainTimer2), view_(views, *this) {}

FmEdit::~FmEdit() = default;

void FmEdit::Load() {
  if (view_.Load()) Form_Load();
}

void FmEdit::Show() {
  Load();
  view_->Show();
}

void FmEdit::Unload() { view_.Unload(); }

void FmEdit::SetAnzeigeName(const std::string& name) {
  Load();
  view_->SetAnzeigeName(name);
  cmbAnzeigeName_Change();
}

void FmEdit::Form_Load() {
  if (!view_) return;
  view_->ClearNames();
  try {
    for (const std::string& name : accounts_.List()) view_->AddName(name);
  } catch (const std::exception&) {
    // No Benutzer key yet: the list stays empty.
    TraceIgnored("FmEdit.Form_Load");
  }
  UpdateOk();
}

void FmEdit::cmbAnzeigeName_Change() {
  if (!view_) return;
  LoadAccount(view_->AnzeigeName());
  UpdateOk();
}

void FmEdit::cmbAnzeigeName_Click() { cmbAnzeigeName_Change(); }

void FmEdit::LoadAccount(const std::string& name) {
  // A name the store refuses names no account; it shows the empty fields without a lookup,
  // so that a name with "\" cannot show the values of a key nested below another account.
  const bool usable = accounts_.IsUsableName(name);
  auto read = [&](const char* valueName, const char* defaultValue) {
    return usable ? accounts_.Read(name, valueName, defaultValue) : std::string(defaultValue);
  };
  try {
    view_->SetUserName(read(kValueUser, ""));
    view_->SetPassword(usable ? accounts_.ReadPassword(name) : std::string());
    view_->SetOptionOL(FlagFromText(read(kValueOutlook, "Falsch")));
    view_->SetOptionTE(FlagFromText(read(kValueTerminal, "Falsch")));
    view_->SetLinkName(read(kValueTerminalName, ""));
  } catch (const std::exception&) {
    // A flag that is no boolean text: the fields not yet set keep their contents.
    TraceIgnored("FmEdit.LoadAccount");
  }
}

void FmEdit::txtPassword_Change() { UpdateOk(); }

void FmEdit::cmdOK_Click() {
  if (!view_) return;
  if (!SaveTypedAccount(accounts_, *view_)) {
    UpdateOk();
    return;
  }
  if (accountsChanged_) accountsChanged_();
  Schliessen();
}

void FmEdit::cmdCancel_Click() { Schliessen(); }

// The close box switches Timer2 on as the buttons do, so that the main window does not stay up.
void FmEdit::Form_CloseBox() { Schliessen(); }

void FmEdit::Schliessen() {
  mainTimer2_.SetEnabled(true);
  Unload();
}

void FmEdit::UpdateOk() {
  if (!view_) return;
  view_->SetOkEnabled(CanSaveAccount(accounts_, *view_));
  view_->SetOkHint(SaveHint(accounts_, *view_));
}

}  // namespace pw
