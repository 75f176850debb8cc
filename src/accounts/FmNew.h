// The add dialog fmNew ("Hinzufügen einer Mailbox").
#pragma once

#include <memory>

#include "accounts/AccountDialogViews.h"
#include "accounts/AccountStore.h"
#include "common/Texts.h"
#include "platform/Timer.h"

namespace pw {

class FmNew {
 public:
  FmNew(AccountDialogViewFactory& views, SettingsStore& settings, Timer& mainTimer2);
  ~FmNew();

  bool Loaded() const { return view_ != nullptr; }
  // Loads the window when needed and shows it; a loaded window keeps its fields.
  void Show();
  void Unload();

  // Events of the window.
  void Form_Load();
  void txtAnzeigeName_Change();
  void txtPassword_Change();
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
  std::unique_ptr<FmNewView> view_;
};

}  // namespace pw
