// New mail while the user must not be disturbed (a presentation, a full-screen program, quiet
// hours): no sound, no balloon, and the dialogs come up below without taking the focus.
#pragma once

#include "common/Forms.h"
#include "platform/UserAttention.h"

namespace pw {

class QuietAnnouncement {
 public:
  // Until attached, every announcement is made as usual.
  void Attach(UserAttention& attention) { attention_ = &attention; }
  // Asks Windows now, before an announcement; the answer holds until the next question, so
  // that every effect of one announcement (sound, balloon, dialog) follows the same answer.
  bool Ask();
  bool Quiet() const { return quiet_; }
  // A new-message dialog: in front with the focus, or, when quiet, shown without activating
  // it, below the window in front (it is there when the presentation ends).
  void Show(NewMailDialog& dialog) const;

 private:
  UserAttention* attention_ = nullptr;
  bool quiet_ = false;
};

}  // namespace pw
