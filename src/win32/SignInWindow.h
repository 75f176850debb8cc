// The small window shown while the OAuth2 sign-in waits for the browser, with "Abbrechen".
#pragma once

#include <memory>

#include "oauth/SignInView.h"
#include "win32/DialogWindow.h"

namespace pw::win32 {

class SignInWindow : public DialogWindow, public SignInView {
 public:
  SignInWindow(HINSTANCE instance, Win32EventLoop& loop);
  ~SignInWindow() override;

  void Show(const std::string& text) override;
  void SetAccount(const std::string& text) override;
  bool Cancelled() const override { return cancelled_; }
  void Close() override;

 protected:
  void OnInitDialog() override;
  INT_PTR HandleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool cancelled_ = false;
};

class SignInWindowFactory : public SignInViewFactory {
 public:
  SignInWindowFactory(HINSTANCE instance, Win32EventLoop& loop)
      : instance_(instance), loop_(loop) {}
  std::unique_ptr<SignInView> Create() override {
    return std::make_unique<SignInWindow>(instance_, loop_);
  }

 private:
  HINSTANCE instance_;
  Win32EventLoop& loop_;
};

}  // namespace pw::win32
