// The host of the new-message dialogs.
#include "notify/NewMailDialogs.h"

#include <iterator>
#include <stdexcept>

namespace pw {

NewMailDialogs::NewMailDialogs(NewMailViewFactory& views, Globals& globals, NotifyIcon& tray,
                               MailProgrammAufruf& launcher, SettingsStore& settings)
    : views_(views), globals_(globals), tray_(tray), launcher_(launcher), settings_(settings) {}

NewMailDialogs::~NewMailDialogs() = default;

FmNewMail& NewMailDialogs::Create() {
  dialogs_.push_back(std::make_unique<FmNewMail>(views_, globals_, tray_, launcher_, settings_,
                                                 [this](FmNewMail& d) { Remove(d); }));
  return *dialogs_.back();
}

FmNewMail& NewMailDialogs::At(std::size_t index) {
  if (index >= dialogs_.size()) throw std::out_of_range("NewMailDialogs::At");
  return **std::next(dialogs_.begin(), static_cast<std::ptrdiff_t>(index));
}

void NewMailDialogs::OpenFor(const std::string& account) {
  for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
    if ((*it)->Loaded() && (*it)->AccountName() == account) {
      (*it)->Open_Click();  // may destroy the dialog: nothing of it is touched afterwards
      return;
    }
  }
  AccountStore accounts(settings_);
  OpenMailClient(accounts, account, globals_, tray_, launcher_);
}

void NewMailDialogs::Remove(FmNewMail& dialog) {
  dialogs_.remove_if([&dialog](const auto& d) { return d.get() == &dialog; });
}

}  // namespace pw
