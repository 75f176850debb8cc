// The user's notification state from the shell.
#pragma once

#include "platform/UserAttention.h"

namespace pw::win32 {

class Win32UserAttention : public UserAttention {
 public:
  UserState Query() override;
};

}  // namespace pw::win32
