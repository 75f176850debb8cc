// The open new-message dialogs: one created per call, each destroyed when it unloads.
#pragma once

#include <cstddef>
#include <list>
#include <memory>

#include "notify/FmNewMail.h"

namespace pw {

class NewMailDialogs {
 public:
  NewMailDialogs(NewMailViewFactory& views, Globals& globals, NotifyIcon& tray,
                 MailProgrammAufruf& launcher, SettingsStore& settings);
  ~NewMailDialogs();
  NewMailDialogs(const NewMailDialogs&) = delete;
  NewMailDialogs& operator=(const NewMailDialogs&) = delete;

  // A new dialog, not yet loaded: its first Show loads it with CurrentAccount.
  FmNewMail& Create();

  // The dialogs created and not yet unloaded, oldest first.
  std::size_t Count() const { return dialogs_.size(); }
  FmNewMail& At(std::size_t index);
  // "Öffnen" of the newest dialog of the account; without one, the same launch as there.
  void OpenFor(const std::string& account);

 private:
  void Remove(FmNewMail& dialog);

  NewMailViewFactory& views_;
  Globals& globals_;
  NotifyIcon& tray_;
  MailProgrammAufruf& launcher_;
  SettingsStore& settings_;
  std::list<std::unique_ptr<FmNewMail>> dialogs_;
};

}  // namespace pw
