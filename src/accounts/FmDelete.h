// The remove dialog fmDelete ("Löschen einer Mailbox").
#pragma once

#include <memory>

#include "accounts/AccountDialogViews.h"
#include "accounts/AccountStore.h"
#include "common/Texts.h"
#include "platform/Timer.h"

namespace pw {

class FmDelete {
 public:
  FmDelete(AccountDialogViewFactory& views, SettingsStore& settings, Timer& mainTimer2);
  ~FmDelete();

  bool Loaded() const { return view_ != nullptr; }
  // Loads the window when needed and shows it; activation fills the list.
  void Show();
  void Unload();

  // Events of the window.
  void Form_Load();
  void Form_Activate();
  void cmbAnzeigeName_Change();
  void cmbAnzeigeName_Click();
  void cmdOK_Click();
  void cmdCancel_Click();
  // The window's close box.
  void Form_CloseBox();

 private:
  void Load();
  void Schliessen();
  void UpdateOk();

  AccountDialogViewFactory& views_;
  AccountStore accounts_;
  Timer& mainTimer2_;
  std::unique_ptr<FmDeleteView> view_;
};

}  // namespace pw
