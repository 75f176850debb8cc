// fmNewMail: loads with the current account, closes through OK, opens the mail client.
#include "notify/FmNewMail.h"

#include <exception>

#include "notify/ClientChoice.h"
#include "platform/Trace.h"

namespace pw {

FmNewMail::FmNewMail(NewMailViewFactory& views, Globals& globals, NotifyIcon& tray,
                     MailProgrammAufruf& launcher, SettingsStore& settings,
                     std::function<void(FmNewMail&)> onUnloaded)
    : globals_(globals),
      tray_(tray),
      launcher_(launcher),
      accounts_(settings),
      onUnloaded_(std::move(onUnloaded)),
      view_(views, *this) {}

FmNewMail::~FmNewMail() {
  if (view_) view_->Close();
}

void FmNewMail::Load() {
  if (view_.Load()) Form_Load();
}

void FmNewMail::Show() {
  Load();
  view_->Show();
}

void FmNewMail::ShowWithoutActivating() {
  Load();
  view_->ShowWithoutActivating();
}

void FmNewMail::SetFocus() {
  if (view_) view_->SetFocus();
}

void FmNewMail::SetNews(const MailNews& news) {
  lines_ = NewsLines(news);
  if (view_) view_->SetMessageLines(lines_);
}

void FmNewMail::Unload() {
  if (!view_.Unload()) return;
  // The host may destroy this form now: nothing of it is touched afterwards.
  auto unloaded = std::move(onUnloaded_);
  if (unloaded) unloaded(*this);
}

void FmNewMail::Form_Load() {
  view_->SetNameBoxCaption(globals_.CurrentAccount);
  if (!lines_.empty()) view_->SetMessageLines(lines_);
  accountName_ = globals_.CurrentAccount;
}

void FmNewMail::OKButton_Click() {
  if (globals_.TrayAlertsEnabled) tray_.StopTrayBlink();
  tray_.ResetTrayTip();
  Unload();
}

void OpenMailClient(AccountStore& accounts, const std::string& account, Globals& globals,
                    NotifyIcon& tray, MailProgrammAufruf& launcher) {
  try {
    launcher.StartMailClient(ChooseMailClient(accounts, account, globals));
    if (globals.TrayAlertsEnabled) tray.StopTrayBlink();
  } catch (const std::exception&) {
    // No message: the tip is reset and the dialog closes, the icon keeps blinking.
    TraceIgnored("FmNewMail.Open_Click");
  }
  tray.ResetTrayTip();
}

void FmNewMail::Open_Click() {
  OpenMailClient(accounts_, accountName_, globals_, tray_, launcher_);
  Unload();
}

}  // namespace pw
