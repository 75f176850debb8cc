// The new-message dialog in memory: its name label, visibility and focus; tests fire its events.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "notify/NewMailView.h"

namespace pw {

class FakeNewMailView : public NewMailView {
 public:
  FakeNewMailView(NewMailEvents& events, std::vector<FakeNewMailView*>& open)
      : events_(events), open_(open) {
    open_.push_back(this);
  }
  ~FakeNewMailView() override { std::erase(open_, this); }

  void SetNameBoxCaption(const std::string& text) override { nameBox = text; }
  void SetMessageLines(const std::vector<std::string>& text) override { lines = text; }
  void Show() override {
    visible = true;
    ++shows;
  }
  void SetFocus() override { ++focused; }
  void ShowWithoutActivating() override {
    visible = true;
    ++shows;
    ++shownBehind;
  }
  void Close() override {
    visible = false;
    closed = true;
  }

  // The user's actions; each may destroy this view.
  void ClickOK() { events_.OKButton_Click(); }
  void ClickOpen() { events_.Open_Click(); }
  void ClickCloseBox() { events_.Form_CloseBox(); }

  NewMailEvents& Events() { return events_; }

  std::string nameBox;
  std::vector<std::string> lines;
  bool visible = false;
  bool closed = false;
  int shows = 0;
  int focused = 0;
  int shownBehind = 0;

 private:
  NewMailEvents& events_;
  std::vector<FakeNewMailView*>& open_;
};

class FakeNewMailViewFactory : public NewMailViewFactory {
 public:
  std::unique_ptr<NewMailView> CreateView(NewMailEvents& events) override {
    ++created;
    return std::make_unique<FakeNewMailView>(events, open);
  }
  // The live views, oldest first.
  std::vector<FakeNewMailView*> open;
  int created = 0;
};

}  // namespace pw
