// The edit dialog fmEdit ("Mailboxen Bearbeiten").
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "accounts/AccountDialogViews.h"
#include "accounts/AccountStore.h"
#include "common/Texts.h"
#include "platform/Timer.h"

namespace pw {

class FmEdit : public FmEditEvents {
 public:
  FmEdit(AccountDialogViewFactory& views, SettingsStore& settings, Timer& mainTimer2,
         Crypto* crypto = nullptr);
  ~FmEdit() override;

  bool Loaded() const { return view_.Loaded(); }
  // Loads the window when needed and shows it; a loaded window keeps its fields.
  void Show();
  void Unload();
  // Told after this dialog added or removed an account.
  void SetAccountsChanged(std::function<void()> changed) { accountsChanged_ = std::move(changed); }
  // Sets the text of cmbAnzeigeName as code does: loads the window hidden when needed, and the
  // name-change step loads that account's values.
  void SetAnzeigeName(const std::string& name);

  void Form_Load();
  void cmbAnzeigeName_Change() override;
  void cmbAnzeigeName_Click() override;
  void txtPassword_Change() override;
  void cmdOK_Click() override;
  void cmdCancel_Click() override;
  void Form_CloseBox() override;

 private:
  void Load();
  void LoadAccount(const std::string& name);
  void Schliessen();
  void UpdateOk();

  AccountStore accounts_;
  Timer& mainTimer2_;
  std::function<void()> accountsChanged_;
  FormView<FmEditView, FmEditEvents> view_;
};

}  // namespace pw
