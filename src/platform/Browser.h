// Opens an address in the user's default browser.
#pragma once

#include <string>

namespace pw {

class Browser {
 public:
  virtual ~Browser() = default;
  // Raises AppError when no browser could be started.
  virtual void Open(const std::string& url) = 0;
};

}  // namespace pw
