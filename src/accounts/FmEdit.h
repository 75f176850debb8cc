// The edit dialog fmEdit ("Mailboxen Bearbeiten").
#pragma once

#include <memory>
#include <string>

#include "accounts/AccountDialogViews.h"
#include "accounts/AccountStore.h"
#include "common/Texts.h"
#include "platform/Timer.h"

namespace pw {

class FmEdit {
 public:
  FmEdit(AccountDialogViewFactory& views, SettingsStore& settings, Timer& mainTimer2);
  ~FmEdit();

  bool Loaded() const { return view_ != nullptr; }
  // Loads the window when needed and shows it; a loaded window keeps its fields.
  void Show();
  void Unload();
  // Sets the text of cmbAnzeigeName as code does: loads the window hidden when needed, and the
  // name-change step loads that account's values.
  void SetAnzeigeName(const std::string& name);

  // Events of the window.
  void Form_Load();
  void cmbAnzeigeName_Change();
  // A name chosen from the list; the field already holds it.
  void cmbAnzeigeName_Click();
  void txtPassword_Change();
  void cmdOK_Click();
  void cmdCancel_Click();
  // The window's close box.
  void Form_CloseBox();

 private:
  void Load();
  void LoadAccount(const std::string& name);
  void Schliessen();
  void UpdateOk();

  AccountDialogViewFactory& views_;
  AccountStore accounts_;
  Timer& mainTimer2_;
  std::unique_ptr<FmEditView> view_;
};

}  // namespace pw
