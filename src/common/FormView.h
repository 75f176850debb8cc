// The window of a form as the core holds it: made by its factory on first need, dropped on
// unload, possibly from inside one of the window's own events.
#pragma once

#include <memory>

namespace pw {

// Makes the window of one form, hidden; what the user does there is reported to events.
template <typename View, typename Events>
class ViewFactory {
 public:
  virtual ~ViewFactory() = default;
  virtual std::unique_ptr<View> CreateView(Events& events) = 0;
};

template <typename View, typename Events>
class FormView {
 public:
  FormView(ViewFactory<View, Events>& factory, Events& events)
      : factory_(factory), events_(events) {}
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;

  bool Loaded() const { return view_ != nullptr; }
  // True while the factory makes the window: events it raises then find the form not loaded.
  bool Loading() const { return loading_; }
  explicit operator bool() const { return Loaded(); }
  View* operator->() const { return view_.get(); }
  View& operator*() const { return *view_; }

  // Makes the window when none is loaded or being made; true when it did, and the form runs
  // its Form_Load then.
  bool Load() {
    if (view_ || loading_) return false;
    loading_ = true;
    try {
      view_ = factory_.CreateView(events_);
    } catch (...) {
      loading_ = false;
      throw;
    }
    loading_ = false;
    return true;
  }

  // Drops the view, then closes its window: an event that the closing raises finds the form
  // unloaded. False when nothing was loaded.
  bool Unload() {
    if (!view_) return false;
    auto view = std::move(view_);
    view->Close();
    return true;
  }

 private:
  ViewFactory<View, Events>& factory_;
  Events& events_;
  std::unique_ptr<View> view_;
  bool loading_ = false;
};

}  // namespace pw
