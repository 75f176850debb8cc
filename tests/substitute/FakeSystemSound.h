// Counts the sounds asked for.
#pragma once

#include "platform/SystemSound.h"

namespace pw {

class FakeSystemSound : public SystemSound {
 public:
  void PlayNewMail() override { ++newMailPlays; }

  int newMailPlays = 0;
};

}  // namespace pw
