#include "tray/NotifyIcon.h"

namespace pw {

NotifyIcon::NotifyIcon(TrayShell& shell, MainWindowView& window, EventLoop& loop, Timer& timerVis,
                       Timer& timerIvis)
    : shell_(shell), window_(window), loop_(loop), timerVis_(timerVis), timerIvis_(timerIvis) {}

void NotifyIcon::AddIcon() {
  data_.cbSize = shell_.FirstFormSize();
  data_.hWnd = window_.Handle();
  data_.uID = 1;
  data_.uFlags = kNifMessageIconTip;
  data_.uCallbackMessage = kWmMouseMove;
  data_.hIcon = window_.MainIcon();
  SetTip(data_, kIdleTip);
  shell_.Shell_NotifyIconA(kNimAdd, data_);
  added_ = true;
}

void NotifyIcon::RemoveIcon() {
  shell_.Shell_NotifyIconA(kNimDelete, data_);
  added_ = false;
}

void NotifyIcon::AddIconAgain() {
  if (added_) shell_.Shell_NotifyIconA(kNimAdd, data_);
}

void NotifyIcon::Modify() { shell_.Shell_NotifyIconA(kNimModify, data_); }

void NotifyIcon::ShowServerUnreachable() {
  SetTip(data_, kUnreachableTip);
  data_.hIcon = window_.StopPicture();
  Modify();
}

void NotifyIcon::ShowSecureConnectionFailed() { ShowServerFailed(kSecureFailedTip); }

void NotifyIcon::ShowServerFailed(const char* tip) {
  SetTip(data_, tip);
  data_.hIcon = window_.StopPicture();
  Modify();
}

void NotifyIcon::ShowSignInRequired() {
  SetTip(data_, kSignInRequiredTip);
  data_.hIcon = window_.StopPicture();
  Modify();
}

void NotifyIcon::ShowServerReachable() {
  SetTip(data_, kIdleTip);
  data_.hIcon = window_.MainIcon();
  Modify();
}

void NotifyIcon::StartTrayBlink(const std::string& displayName) {
  SetTip(data_, kNewMailTipBefore + displayName + kNewMailTipAfter);
  Modify();
  timerIvis_.SetEnabled(true);
}

void NotifyIcon::ShowBalloon(const std::string& displayName,
                             const std::vector<std::string>& lines) {
  if (!added_ || lines.empty()) return;
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  balloonAccount_ = displayName;
  shell_.ShowBalloon(data_, kNewMailTipBefore + displayName + kNewMailTipAfter, text);
}

void NotifyIcon::StopTrayBlink() {
  timerIvis_.SetEnabled(false);
  timerVis_.SetEnabled(false);
  data_.hIcon = window_.MainIcon();
  Modify();
}

void NotifyIcon::ResetTrayTip() {
  SetTip(data_, kIdleTip);
  Modify();
}

void NotifyIcon::TimerIvis_Timer() {
  loop_.DoEvents();
  timerVis_.SetEnabled(true);
  timerIvis_.SetEnabled(false);
  data_.hIcon = window_.IvisPicture();
  Modify();
}

void NotifyIcon::TimerVis_Timer() {
  loop_.DoEvents();
  timerIvis_.SetEnabled(true);
  timerVis_.SetEnabled(false);
  data_.hIcon = window_.MainIcon();
  Modify();
}

}  // namespace pw
