// The notification state as a test sets it; each question is noted in the effect log.
#pragma once

#include <string>

#include "platform/UserAttention.h"
#include "substitute/EffectLog.h"

namespace pw {

class FakeUserAttention : public UserAttention {
 public:
  UserState Query() override {
    Note(log, std::string("user state asked: ") + (MustNotDisturb(state) ? "quiet" : "as usual"));
    return state;
  }

  UserState state = UserState::kAvailable;
  EffectLog* log = nullptr;
};

}  // namespace pw
