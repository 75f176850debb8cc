// The tray icon: its record, the three sends to the shell, the blink cycle and the named states.
#pragma once

#include <string>
#include <vector>

#include "common/MainWindowView.h"
#include "common/Texts.h"
#include "platform/EventLoop.h"
#include "platform/Timer.h"
#include "platform/TrayShell.h"
#include "tray/TrayData.h"

namespace pw {

class NotifyIcon {
 public:
  // The blink timers belong to the main window; this module switches them.
  NotifyIcon(TrayShell& shell, MainWindowView& window, EventLoop& loop, Timer& timerVis,
             Timer& timerIvis);

  void AddIcon();
  void RemoveIcon();
  // The taskbar was created anew (Explorer restarted): the icon is added again as it stands,
  // picture and tip included. Nothing before the first add or after the remove.
  void AddIconAgain();
  void ShowServerUnreachable();
  void ShowServerReachable();
  // The problem state of a failed secure connection: the Stop picture with its own tip.
  void ShowSecureConnectionFailed();
  // Another problem of the server that is reported once: the Stop picture with the tip given.
  void ShowServerFailed(const char* tip);
  // OAuth2: nobody signed in, or the provider refused the sign-in; the Stop picture.
  void ShowSignInRequired();
  void StartTrayBlink(const std::string& displayName);
  void StopTrayBlink();
  void ResetTrayTip();
  // The balloon for a mailbox with new mail, titled with its tip; nothing without lines. The
  // account is kept for a click on it.
  void ShowBalloon(const std::string& displayName, const std::vector<std::string>& lines);
  const std::string& BalloonAccount() const { return balloonAccount_; }

  // The blink timers' handlers.
  void TimerIvis_Timer();
  void TimerVis_Timer();

  const TrayData& Data() const { return data_; }

 private:
  void Modify();

  TrayShell& shell_;
  MainWindowView& window_;
  EventLoop& loop_;
  Timer& timerVis_;
  Timer& timerIvis_;
  TrayData data_;
  bool added_ = false;
  std::string balloonAccount_;
};

}  // namespace pw
