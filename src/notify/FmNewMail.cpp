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

void FmNewMail::Unload() {
  if (!view_.Unload()) return;
  // The host may destroy this form now: nothing of it is touched afterwards.
  auto unloaded = std::move(onUnloaded_);
  if (unloaded) unloaded(*this);
}

void FmNewMail::Form_Load() {
  view_->SetNameBoxCaption(globals_.CurrentAccount);
  accountName_ = globals_.CurrentAccount;
}

void FmNewMail::OKButton_Click() {
  if (globals_.TrayAlertsEnabled) tray_.StopTrayBlink();
  tray_.ResetTrayTip();
  Unload();
}

void FmNewMail::Open_Click() {
  try {
    launcher_.StartMailClient(ChooseMailClient(accounts_, accountName_, globals_));
    if (globals_.TrayAlertsEnabled) tray_.StopTrayBlink();
  } catch (const std::exception&) {
    // No message: the tip is reset and the dialog closes, the icon keeps blinking.
    TraceIgnored("FmNewMail.Open_Click");
  }
  tray_.ResetTrayTip();
  Unload();
}

}  // namespace pw
