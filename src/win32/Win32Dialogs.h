// The message box and the text input prompt ("InputBox"), both modal to the whole program.
#pragma once

#include "platform/Dialogs.h"
#include "win32/Win32Gui.h"

namespace pw::win32 {

// Control ids inside the prompt, for whoever drives it from outside.
inline constexpr int kPromptTextId = 100;
inline constexpr int kPromptEditId = 101;

class Win32Dialogs : public Dialogs {
 public:
  explicit Win32Dialogs(HINSTANCE instance) : instance_(instance) {}

  void MsgBox(const std::string& text, const std::string& title) override;
  std::string InputBox(const std::string& prompt, const std::string& title) override;

 private:
  HINSTANCE instance_;
};

}  // namespace pw::win32
