// fmStart's tree events: the selected account, the minimise delay, and the client launch.
#pragma once

#include <cstdint>

#include "accounts/AccountStore.h"
#include "common/Globals.h"
#include "notify/MailProgrammAufruf.h"
#include "platform/Controls.h"
#include "platform/Timer.h"
#include "tray/NotifyIcon.h"

namespace pw {

class TreeEvents {
 public:
  // Timer2 (auto-minimise) and Timer3 (its delay) belong to the main window.
  TreeEvents(TreeControl& anzeige, Globals& globals, AccountStore& accounts,
             MailProgrammAufruf& launcher, NotifyIcon& tray, Timer& timer2, Timer& timer3)
      : anzeige_(anzeige),
        globals_(globals),
        accounts_(accounts),
        launcher_(launcher),
        tray_(tray),
        timer2_(timer2),
        timer3_(timer3) {}

  void Anzeige_NodeSelected(std::int32_t& index);
  void Anzeige_Click();
  void Anzeige_DblClick();

 private:
  TreeControl& anzeige_;
  Globals& globals_;
  AccountStore& accounts_;
  MailProgrammAufruf& launcher_;
  NotifyIcon& tray_;
  Timer& timer2_;
  Timer& timer3_;
};

}  // namespace pw
