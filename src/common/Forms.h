// The windows the main window opens besides the attendance list.
#pragma once

#include <string>

#include "common/MailNews.h"

namespace pw {

// One new-message dialog; it unloads itself when one of its buttons is pressed.
class NewMailDialog {
 public:
  virtual ~NewMailDialog() = default;
  virtual void Show() = 0;
  virtual void SetFocus() = 0;
  // Shown below the window in front, without taking the focus (the user must not be disturbed).
  virtual void ShowWithoutActivating() = 0;
  // The mailbox's newest messages, shown below the name; before the first Show.
  virtual void SetNews(const MailNews& /*news*/) {}
};

class Forms {
 public:
  virtual ~Forms() = default;
  // The single instances of the account dialogs and the About box, shown modeless.
  virtual void ShowEdit() = 0;
  // Sets the text of fmEdit's cmbAnzeigeName, which loads that account into the dialog.
  virtual void SetEditAnzeigeName(const std::string& name) = 0;
  virtual void ShowNew() = 0;
  virtual void ShowDelete() = 0;
  virtual void ShowAbout() = 0;
  // A new new-message dialog; its loading reads CurrentAccount. Owned by the forms host.
  virtual NewMailDialog& CreateNewMail() = 0;
  // What "Öffnen" of this account's new-message dialog does, with or without the dialog open.
  virtual void OpenMailbox(const std::string& /*account*/) {}
};

}  // namespace pw
