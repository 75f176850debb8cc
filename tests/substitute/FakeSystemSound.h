// Counts the sounds asked for.
#pragma once

#include "platform/SystemSound.h"
#include "substitute/EffectLog.h"

namespace pw {

class FakeSystemSound : public SystemSound {
 public:
  void PlayNewMail() override {
    ++newMailPlays;
    Note(log, "sound: new mail");
  }

  int newMailPlays = 0;
  EffectLog* log = nullptr;
};

}  // namespace pw
