// The add dialog fmNew ("Hinzufügen einer Mailbox").
#pragma once

#include <functional>
#include <utility>

#include "accounts/AccountDialogViews.h"
#include "accounts/AccountStore.h"
#include "common/Texts.h"
#include "platform/Timer.h"

namespace pw {

class FmNew : public FmNewEvents {
 public:
  FmNew(AccountDialogViewFactory& views, SettingsStore& settings, Timer& mainTimer2,
        Crypto* crypto = nullptr);
  ~FmNew() override;

  bool Loaded() const { return view_.Loaded(); }
  // Loads the window when needed and shows it; a loaded window keeps its fields.
  void Show();
  void Unload();
  // Told after this dialog added or removed an account.
  void SetAccountsChanged(std::function<void()> changed) { accountsChanged_ = std::move(changed); }

  void Form_Load();
  void txtAnzeigeName_Change() override;
  void txtPassword_Change() override;
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
  FormView<FmNewView, FmNewEvents> view_;
};

}  // namespace pw
