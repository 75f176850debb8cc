// The windows of fmNew, fmEdit and fmDelete as their forms drive them, and what they report.
#pragma once

#include <string>

#include "common/FormView.h"

namespace pw {

// Setting a control from the form raises none of the control's events; only what the user
// does is reported to the form.
class AccountDialogView {
 public:
  virtual ~AccountDialogView() = default;
  // Shows the window, not modal, and brings it to the front.
  virtual void Show() = 0;
  // Destroys the window; the form drops the view right after.
  virtual void Close() = 0;
  virtual void SetOkEnabled(bool enabled) = 0;
};

// The fields that fmNew and fmEdit share. OptionOL and OptionTE are one group: turning one on
// turns the other off.
class AccountFieldsView : public AccountDialogView {
 public:
  // txtAnzeigeName in fmNew, the text of cmbAnzeigeName in fmEdit.
  virtual std::string AnzeigeName() const = 0;
  virtual std::string UserName() const = 0;
  virtual void SetUserName(const std::string& text) = 0;
  virtual std::string Password() const = 0;
  virtual void SetPassword(const std::string& text) = 0;
  virtual bool OptionOL() const = 0;
  virtual void SetOptionOL(bool value) = 0;
  virtual bool OptionTE() const = 0;
  virtual void SetOptionTE(bool value) = 0;
  virtual std::string LinkName() const = 0;
  virtual void SetLinkName(const std::string& text) = 0;
  // The line under the fields that says why OK is greyed; empty hides it.
  virtual void SetOkHint(const std::string& text) = 0;
};

using FmNewView = AccountFieldsView;

// The drop-down list of cmbAnzeigeName, shared by fmEdit and fmDelete.
class NameListView {
 public:
  virtual ~NameListView() = default;
  // Empties the list; the text in the name field stays.
  virtual void ClearNames() = 0;
  virtual void AddName(const std::string& name) = 0;
};

class FmEditView : public AccountFieldsView, public NameListView {
 public:
  virtual void SetAnzeigeName(const std::string& text) = 0;
};

class FmDeleteView : public AccountDialogView, public NameListView {
 public:
  virtual std::string AnzeigeName() const = 0;
};

// What the user does in any of the three dialogs.
class AccountDialogEvents {
 public:
  virtual ~AccountDialogEvents() = default;
  virtual void cmdOK_Click() = 0;
  virtual void cmdCancel_Click() = 0;
  // The window's close box.
  virtual void Form_CloseBox() = 0;
};

class FmNewEvents : public AccountDialogEvents {
 public:
  virtual void txtAnzeigeName_Change() = 0;
  virtual void txtPassword_Change() = 0;
};

class FmEditEvents : public AccountDialogEvents {
 public:
  virtual void cmbAnzeigeName_Change() = 0;
  // A name chosen from the list; the field already holds it.
  virtual void cmbAnzeigeName_Click() = 0;
  virtual void txtPassword_Change() = 0;
};

class FmDeleteEvents : public AccountDialogEvents {
 public:
  virtual void Form_Activate() = 0;
  virtual void cmbAnzeigeName_Change() = 0;
  virtual void cmbAnzeigeName_Click() = 0;
};

// Each creates its window hidden, with empty fields.
class AccountDialogViewFactory : public ViewFactory<FmNewView, FmNewEvents>,
                                 public ViewFactory<FmEditView, FmEditEvents>,
                                 public ViewFactory<FmDeleteView, FmDeleteEvents> {
 public:
  using ViewFactory<FmNewView, FmNewEvents>::CreateView;
  using ViewFactory<FmEditView, FmEditEvents>::CreateView;
  using ViewFactory<FmDeleteView, FmDeleteEvents>::CreateView;
};

}  // namespace pw
