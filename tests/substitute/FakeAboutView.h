// The About box in memory, and a version resource the test sets.
#pragma once

#include <memory>
#include <string>

#include "about/AboutView.h"
#include "common/Texts.h"
#include "platform/VersionInfo.h"

namespace pw {

class FakeAboutView : public AboutView {
 public:
  FakeAboutView(AboutEvents& events, FakeAboutView** current)
      : events_(events), current_(current) {}
  ~FakeAboutView() override {
    if (*current_ == this) *current_ = nullptr;
  }
  void SetCaption(const std::string& text) override { caption = text; }
  void SetTitle(const std::string& text) override { title = text; }
  void SetVersion(const std::string& text) override { version = text; }
  void Show() override {
    visible = true;
    ++shows;
  }
  void Close() override {
    visible = false;
    closed = true;
  }
  AboutEvents& Events() { return events_; }

  std::string caption = kAboutStoredCaption;
  std::string title, version;
  bool visible = false;
  bool closed = false;
  int shows = 0;

 private:
  AboutEvents& events_;
  FakeAboutView** current_;
};

class FakeAboutViewFactory : public AboutViewFactory {
 public:
  std::unique_ptr<AboutView> CreateView(AboutEvents& events) override {
    auto view = std::make_unique<FakeAboutView>(events, &current);
    current = view.get();
    ++created;
    return view;
  }
  FakeAboutView* current = nullptr;
  int created = 0;
};

class FakeVersionInfo : public VersionInfo {
 public:
  ProgramVersion Version() override { return version; }
  ProgramVersion version{1, 0, 46};
};

}  // namespace pw
