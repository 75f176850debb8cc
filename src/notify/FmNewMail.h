// The new-message dialog fmNewMail: names the account and opens its mail client.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "accounts/AccountStore.h"
#include "common/Forms.h"
#include "common/Globals.h"
#include "common/Texts.h"
#include "notify/MailProgrammAufruf.h"
#include "notify/NewMailView.h"
#include "registry/SettingsStore.h"
#include "tray/NotifyIcon.h"

namespace pw {

// What "Öffnen" does for the account: starts its mail client, stops the blinking where that
// worked, resets the tip; a failure is left unsaid.
void OpenMailClient(AccountStore& accounts, const std::string& account, Globals& globals,
                    NotifyIcon& tray, MailProgrammAufruf& launcher);

class FmNewMail : public NewMailDialog, public NewMailEvents {
 public:
  // onUnloaded runs last when the window has been unloaded; it may destroy this form.
  FmNewMail(NewMailViewFactory& views, Globals& globals, NotifyIcon& tray,
            MailProgrammAufruf& launcher, SettingsStore& settings,
            std::function<void(FmNewMail&)> onUnloaded = {});
  ~FmNewMail() override;
  FmNewMail(const FmNewMail&) = delete;
  FmNewMail& operator=(const FmNewMail&) = delete;

  // Loads the window on the first show.
  void Show() override;
  void SetFocus() override;
  void ShowWithoutActivating() override;
  // The lines below the name: given before the first Show, they load with the window.
  void SetNews(const MailNews& news) override;
  // Unloads the window without running a handler (the close box ends here too).
  void Unload();
  bool Loaded() const { return view_.Loaded(); }

  // The account this dialog is for, fixed when it loaded.
  const std::string& AccountName() const { return accountName_; }

  void Form_Load();
  void OKButton_Click() override;
  void Open_Click() override;
  void Form_CloseBox() override { Unload(); }

 private:
  void Load();

  Globals& globals_;
  NotifyIcon& tray_;
  MailProgrammAufruf& launcher_;
  AccountStore accounts_;
  std::function<void(FmNewMail&)> onUnloaded_;
  FormView<NewMailView, NewMailEvents> view_;
  std::string accountName_;
  std::vector<std::string> lines_;
};

}  // namespace pw
