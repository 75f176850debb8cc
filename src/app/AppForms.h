// The program's other windows as the main window reaches them.
#pragma once

#include "about/FrmAbout.h"
#include "accounts/AccountDialogs.h"
#include "common/Forms.h"
#include "notify/NewMailDialogs.h"

namespace pw {

class AppForms : public Forms {
 public:
  AppForms(AccountDialogs& accounts, FrmAbout& about, NewMailDialogs& newMail)
      : accounts_(accounts), about_(about), newMail_(newMail) {}

  void ShowEdit() override { accounts_.ShowEdit(); }
  void SetEditAnzeigeName(const std::string& name) override { accounts_.SetEditAnzeigeName(name); }
  void ShowNew() override { accounts_.ShowNew(); }
  void ShowDelete() override { accounts_.ShowDelete(); }
  void ShowAbout() override { about_.Show(); }
  NewMailDialog& CreateNewMail() override { return newMail_.Create(); }
  void OpenMailbox(const std::string& account) override { newMail_.OpenFor(account); }

 private:
  AccountDialogs& accounts_;
  FrmAbout& about_;
  NewMailDialogs& newMail_;
};

}  // namespace pw
