// Message boxes and prompts recorded in memory, with scripted answers.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace pw {

class FakeDialogs : public Dialogs {
 public:
  struct Shown {
    std::string text;
    std::string title;
  };

  void MsgBox(const std::string& text, const std::string& title) override {
    boxes.push_back({text, title});
    if (onMsgBox) onMsgBox(text, title);
  }
  std::string InputBox(const std::string& prompt, const std::string& title) override {
    prompts.push_back({prompt, title});
    if (answers.empty()) return {};
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<Shown> boxes;
  std::vector<Shown> prompts;
  std::deque<std::string> answers;
  // Runs while a message box is "open", as the message loop would.
  std::function<void(const std::string&, const std::string&)> onMsgBox;
};

}  // namespace pw
