// fmStart's window states, tray mouse decoding, close protection and the menu items that open
// another window.
#pragma once

#include "attendance/FmAnwesend.h"
#include "common/Forms.h"
#include "common/ImapComponent.h"
#include "common/MainWindowView.h"
#include "common/UnloadMode.h"
#include "platform/Dialogs.h"
#include "platform/Timer.h"
#include "platform/TrayShell.h"

namespace pw {

class WindowStates {
 public:
  // The check timer (Timer1) and the auto-minimise timer (Timer2) belong to the main window.
  WindowStates(MainWindowView& window, TrayShell& tray, Dialogs& dialogs, ImapComponent& imap,
               FmAnwesend& anwesend, Timer& timer1, Timer& timer2)
      : window_(window),
        tray_(tray),
        dialogs_(dialogs),
        imap_(imap),
        anwesend_(anwesend),
        timer1_(timer1),
        timer2_(timer2) {}

  // The other windows; until attached, their menu items do nothing.
  void AttachForms(Forms& forms) { forms_ = &forms; }

  void Form_Resize();
  // The shell's mouse message number, taken from the tray callback.
  void Form_MouseMove(int message);
  void RestoreMainWindow();
  void Form_QueryUnload(bool& cancel, int unloadMode);

  void mAnwesenheit_Click();
  void mEdit_Click();
  void mNew_Click();
  void mDelete_Click();
  void mAbout_Click();
  void mAnwesenheitTray_Click();

 private:
  MainWindowView& window_;
  TrayShell& tray_;
  Dialogs& dialogs_;
  ImapComponent& imap_;
  FmAnwesend& anwesend_;
  Timer& timer1_;
  Timer& timer2_;
  Forms* forms_ = nullptr;
};

}  // namespace pw
