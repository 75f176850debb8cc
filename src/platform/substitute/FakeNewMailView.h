// The new-message dialog in memory: its name label, visibility and focus; tests fire its events.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "notify/FmNewMail.h"
#include "notify/NewMailView.h"

namespace pw {

class FakeNewMailView : public NewMailView {
 public:
  explicit FakeNewMailView(FmNewMail& form, std::vector<FakeNewMailView*>& open)
      : form_(form), open_(open) {
    open_.push_back(this);
  }
  ~FakeNewMailView() override { std::erase(open_, this); }

  void SetNameBoxCaption(const std::string& text) override { nameBox = text; }
  void Show() override {
    visible = true;
    ++shows;
  }
  void SetFocus() override { ++focused; }
  void Close() override {
    visible = false;
    closed = true;
  }

  // The user's actions; each may destroy this view.
  void ClickOK() { form_.OKButton_Click(); }
  void ClickOpen() { form_.Open_Click(); }
  void ClickCloseBox() { form_.Unload(); }

  FmNewMail& Form() { return form_; }

  std::string nameBox;
  bool visible = false;
  bool closed = false;
  int shows = 0;
  int focused = 0;

 private:
  FmNewMail& form_;
  std::vector<FakeNewMailView*>& open_;
};

class FakeNewMailViews : public NewMailViewFactory {
 public:
  std::unique_ptr<NewMailView> CreateNewMailView(FmNewMail& form) override {
    ++created;
    return std::make_unique<FakeNewMailView>(form, open);
  }
  // The live views, oldest first.
  std::vector<FakeNewMailView*> open;
  int created = 0;
};

}  // namespace pw
