// The small window that says a sign-in in the browser is under way, with "Abbrechen".
#pragma once

#include <memory>
#include <string>

namespace pw {

class SignInView {
 public:
  virtual ~SignInView() = default;
  virtual void Show(const std::string& text) = 0;
  // Who is signing in, once known.
  virtual void SetAccount(const std::string& text) = 0;
  // The person pressed "Abbrechen" or closed the window.
  virtual bool Cancelled() const = 0;
  virtual void Close() = 0;
};

class SignInViewFactory {
 public:
  virtual ~SignInViewFactory() = default;
  virtual std::unique_ptr<SignInView> Create() = 0;
};

}  // namespace pw
