// The quiet announcement's question and the dialog it shows in the background.
#include "notify/QuietAnnouncement.h"

namespace pw {

bool QuietAnnouncement::Ask() {
  quiet_ = attention_ && MustNotDisturb(attention_->Query());
  return quiet_;
}

void QuietAnnouncement::Show(NewMailDialog& dialog) const {
  if (quiet_) {
    dialog.ShowWithoutActivating();
    return;
  }
  dialog.Show();
  dialog.SetFocus();
}

}  // namespace pw
