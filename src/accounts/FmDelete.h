// The remove dialog fmDelete ("Löschen einer Mailbox").
#pragma once

#include <functional>
#include <utility>

#include "accounts/AccountDialogViews.h"
#include "accounts/AccountStore.h"
#include "common/Texts.h"
#include "platform/Timer.h"

namespace pw {

class FmDelete : public FmDeleteEvents {
 public:
  FmDelete(AccountDialogViewFactory& views, SettingsStore& settings, Timer& mainTimer2);
  ~FmDelete() override;

  bool Loaded() const { return view_.Loaded(); }
  // Loads the window when needed and shows it; activation fills the list.
  void Show();
  void Unload();
  // Told after this dialog added or removed an account.
  void SetAccountsChanged(std::function<void()> changed) { accountsChanged_ = std::move(changed); }

  void Form_Load();
  void Form_Activate() override;
  void cmbAnzeigeName_Change() override;
  void cmbAnzeigeName_Click() override;
  void cmdOK_Click() override;
  void cmdCancel_Click() override;
  void Form_CloseBox() override;

 private:
  void Load();
  void Schliessen();
  void UpdateOk();

  AccountStore accounts_;
  Timer& mainTimer2_;
  std::function<void()> accountsChanged_;
  FormView<FmDeleteView, FmDeleteEvents> view_;
};

}  // namespace pw
