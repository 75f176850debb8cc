// The About box's window as frmAbout drives it.
#pragma once

#include <string>

#include "common/FormView.h"

namespace pw {

// The fixed labels and pictures are the window's own; the form sets what changes at load.
class AboutView {
 public:
  virtual ~AboutView() = default;
  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetTitle(const std::string& text) = 0;    // lblTitle
  virtual void SetVersion(const std::string& text) = 0;  // lblVersion
  // Shows the window, not modal, and brings it to the front.
  virtual void Show() = 0;
  // Destroys the window; the form drops the view right after.
  virtual void Close() = 0;
};

// What the user does in the box. Enter and Escape both act as cmdOK.
class AboutEvents {
 public:
  virtual ~AboutEvents() = default;
  virtual void cmdOK_Click() = 0;
  virtual void cmdSysInfo_Click() = 0;
  // The window's close box.
  virtual void Form_CloseBox() = 0;
};

using AboutViewFactory = ViewFactory<AboutView, AboutEvents>;

}  // namespace pw
