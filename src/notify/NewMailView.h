// The new-message dialog as its form drives it: the name label and the window itself.
#pragma once

#include <memory>
#include <string>

namespace pw {

class FmNewMail;

// Its events go to the form: OKButton_Click, Open_Click, and Unload for the close box. The
// form may drop the view from inside any of them.
class NewMailView {
 public:
  virtual ~NewMailView() = default;
  // The caption of NameBox; the label grows with its text.
  virtual void SetNameBoxCaption(const std::string& text) = 0;
  // Shows the window modeless.
  virtual void Show() = 0;
  virtual void SetFocus() = 0;
  // Destroys the window; the form drops the view right after.
  virtual void Close() = 0;
};

class NewMailViewFactory {
 public:
  virtual ~NewMailViewFactory() = default;
  // Creates the window hidden; its events go to form.
  virtual std::unique_ptr<NewMailView> CreateNewMailView(FmNewMail& form) = 0;
};

}  // namespace pw
