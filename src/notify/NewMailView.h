// The new-message dialog as its form drives it: the name label and the window itself, and what
// it reports.
#pragma once

#include <string>
#include <vector>

#include "common/FormView.h"

namespace pw {

class NewMailView {
 public:
  virtual ~NewMailView() = default;
  // The caption of NameBox; the label grows with its text.
  virtual void SetNameBoxCaption(const std::string& text) = 0;
  // The lines of the newest messages below the name ("" none); the window grows by them only.
  virtual void SetMessageLines(const std::vector<std::string>& lines) = 0;
  // Shows the window modeless.
  virtual void Show() = 0;
  virtual void SetFocus() = 0;
  // Shows it modeless below the window in front, neither activated nor focused.
  virtual void ShowWithoutActivating() = 0;
  // Destroys the window; the form drops the view right after.
  virtual void Close() = 0;
};

// What the user does in the dialog. The form may drop the view from inside any of them.
class NewMailEvents {
 public:
  virtual ~NewMailEvents() = default;
  virtual void OKButton_Click() = 0;
  virtual void Open_Click() = 0;
  // The window's close box: it runs no handler of the form, it only unloads the dialog.
  virtual void Form_CloseBox() = 0;
};

using NewMailViewFactory = ViewFactory<NewMailView, NewMailEvents>;

}  // namespace pw
