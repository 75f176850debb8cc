// The About box's window as frmAbout drives it.
#pragma once

#include <memory>
#include <string>

namespace pw {

class FrmAbout;

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

class AboutViewFactory {
 public:
  virtual ~AboutViewFactory() = default;
  // Creates the window hidden; its events go to form.
  virtual std::unique_ptr<AboutView> CreateAboutView(FrmAbout& form) = 0;
};

}  // namespace pw
