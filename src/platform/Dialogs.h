// The message box (OK only, no icon) and the text input prompt.
#pragma once

#include <string>

namespace pw {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Modal message box with an OK button only and no icon; returns when it is closed.
  virtual void MsgBox(const std::string& text, const std::string& title) = 0;
  // Modal prompt with one edit line, OK and Cancel; Cancel gives the empty text.
  virtual std::string InputBox(const std::string& prompt, const std::string& title) = 0;
};

}  // namespace pw
