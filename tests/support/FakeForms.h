// The other windows, recorded: which were shown, and the new-message dialogs created.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/Forms.h"
#include "common/Globals.h"
#include "substitute/EffectLog.h"

namespace pw::test {

class FakeForms : public Forms {
 public:
  struct FakeNewMail : NewMailDialog {
    std::string accountName;
    int shows = 0;
    int focused = 0;
    EffectLog* log = nullptr;
    void Show() override {
      ++shows;
      Note(log, "new-mail dialog shown: " + accountName);
    }
    void SetFocus() override { ++focused; }
    void ShowWithoutActivating() override {
      ++shows;
      Note(log, "new-mail dialog shown behind: " + accountName);
    }
    void SetNews(const MailNews& news) override { lines = NewsLines(news); }
    std::vector<std::string> lines;
  };

  explicit FakeForms(Globals& globals) : globals_(globals) {}

  void ShowEdit() override { calls.push_back("ShowEdit"); }
  void SetEditAnzeigeName(const std::string& name) override {
    calls.push_back("SetEditAnzeigeName " + name);
  }
  void ShowNew() override { calls.push_back("ShowNew"); }
  void ShowDelete() override { calls.push_back("ShowDelete"); }
  void ShowAbout() override { calls.push_back("ShowAbout"); }
  void OpenMailbox(const std::string& account) override {
    calls.push_back("OpenMailbox " + account);
  }
  NewMailDialog& CreateNewMail() override {
    auto dialog = std::make_unique<FakeNewMail>();
    dialog->accountName = globals_.CurrentAccount;
    dialog->log = log;
    newMail.push_back(std::move(dialog));
    return *newMail.back();
  }

  std::vector<std::string> calls;
  std::vector<std::unique_ptr<FakeNewMail>> newMail;
  EffectLog* log = nullptr;

 private:
  Globals& globals_;
};

}  // namespace pw::test
