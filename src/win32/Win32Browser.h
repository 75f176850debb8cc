// The default browser through the shell.
#pragma once

#include "platform/Browser.h"

namespace pw::win32 {

class Win32Browser : public Browser {
 public:
  void Open(const std::string& url) override;
};

}  // namespace pw::win32
