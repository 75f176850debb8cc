// The sound scheme through winmm's PlaySound.
#pragma once

#include "platform/SystemSound.h"

namespace pw::win32 {

class Win32SystemSound : public SystemSound {
 public:
  void PlayNewMail() override;
};

}  // namespace pw::win32
