// The sounds of the user's Windows sound scheme, which the user sets in the Sound settings.
#pragma once

namespace pw {

class SystemSound {
 public:
  virtual ~SystemSound() = default;
  // The scheme's sound for new mail ("MailBeep", "Neue E-Mail-Benachrichtigung"), played without
  // waiting for it; nothing at all when the scheme has none.
  virtual void PlayNewMail() = 0;
};

}  // namespace pw
