// The three account dialogs in memory: fields, lists and window state, set and read by tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "accounts/AccountDialogViews.h"

namespace pw {

// A test types into a field by setting it and then calling the form's change handler, as the
// window does; the form may drop the view from inside that handler.
template <typename Base>
class FakeAccountFields : public Base {
 public:
  std::string AnzeigeName() const override { return anzeigeName; }
  std::string UserName() const override { return userName; }
  void SetUserName(const std::string& text) override { userName = text; }
  std::string Password() const override { return password; }
  void SetPassword(const std::string& text) override { password = text; }
  bool OptionOL() const override { return optionOL; }
  void SetOptionOL(bool value) override {
    optionOL = value;
    if (value) optionTE = false;
  }
  bool OptionTE() const override { return optionTE; }
  void SetOptionTE(bool value) override {
    optionTE = value;
    if (value) optionOL = false;
  }
  std::string LinkName() const override { return linkName; }
  void SetLinkName(const std::string& text) override { linkName = text; }
  void SetOkEnabled(bool enabled) override { okEnabled = enabled; }
  void SetOkHint(const std::string& text) override { okHint = text; }
  void Show() override {
    visible = true;
    ++shows;
  }
  void Close() override {
    visible = false;
    closed = true;
  }

  std::string anzeigeName, userName, password, linkName, okHint;
  bool optionOL = false;
  bool optionTE = false;
  bool okEnabled = true;
  bool visible = false;
  bool closed = false;
  int shows = 0;
};

class FakeNewView : public FakeAccountFields<FmNewView> {
 public:
  FakeNewView(FmNewEvents& events, FakeNewView** current) : events_(events), current_(current) {}
  ~FakeNewView() override {
    if (*current_ == this) *current_ = nullptr;
  }
  FmNewEvents& Events() { return events_; }

 private:
  FmNewEvents& events_;
  FakeNewView** current_;
};

class FakeEditView : public FakeAccountFields<FmEditView> {
 public:
  FakeEditView(FmEditEvents& events, FakeEditView** current) : events_(events), current_(current) {}
  ~FakeEditView() override {
    if (*current_ == this) *current_ = nullptr;
  }
  void SetAnzeigeName(const std::string& text) override { anzeigeName = text; }
  void ClearNames() override { names.clear(); }
  void AddName(const std::string& name) override { names.push_back(name); }
  FmEditEvents& Events() { return events_; }

  std::vector<std::string> names;

 private:
  FmEditEvents& events_;
  FakeEditView** current_;
};

class FakeDeleteView : public FmDeleteView {
 public:
  FakeDeleteView(FmDeleteEvents& events, FakeDeleteView** current)
      : events_(events), current_(current) {}
  ~FakeDeleteView() override {
    if (*current_ == this) *current_ = nullptr;
  }
  std::string AnzeigeName() const override { return anzeigeName; }
  void ClearNames() override { names.clear(); }
  void AddName(const std::string& name) override { names.push_back(name); }
  void SetOkEnabled(bool enabled) override { okEnabled = enabled; }
  // Showing an inactive window activates it, and activation reaches the form, as on Windows.
  void Show() override {
    visible = true;
    ++shows;
    Activate();
  }
  void Close() override {
    visible = false;
    closed = true;
  }
  void Activate() {
    if (active) return;
    active = true;
    events_.Form_Activate();
  }
  void Deactivate() { active = false; }

  std::string anzeigeName;
  std::vector<std::string> names;
  bool okEnabled = true;
  bool visible = false;
  bool active = false;
  bool closed = false;
  int shows = 0;

 private:
  FmDeleteEvents& events_;
  FakeDeleteView** current_;
};

class FakeAccountDialogViewFactory : public AccountDialogViewFactory {
 public:
  std::unique_ptr<FmNewView> CreateView(FmNewEvents& events) override {
    auto view = std::make_unique<FakeNewView>(events, &newView);
    newView = view.get();
    ++created;
    return view;
  }
  std::unique_ptr<FmEditView> CreateView(FmEditEvents& events) override {
    auto view = std::make_unique<FakeEditView>(events, &editView);
    editView = view.get();
    ++created;
    return view;
  }
  std::unique_ptr<FmDeleteView> CreateView(FmDeleteEvents& events) override {
    auto view = std::make_unique<FakeDeleteView>(events, &deleteView);
    deleteView = view.get();
    ++created;
    return view;
  }

  // The live views, or null once their form has dropped them.
  FakeNewView* newView = nullptr;
  FakeEditView* editView = nullptr;
  FakeDeleteView* deleteView = nullptr;
  int created = 0;
};

}  // namespace pw
