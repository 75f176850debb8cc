// The windows of fmNew, fmEdit and fmDelete.
#pragma once

#include <memory>

#include "accounts/AccountDialogViews.h"
#include "win32/Win32EventLoop.h"
#include "win32/Win32Gui.h"

namespace pw::win32 {

// Control ids, also for whoever drives the dialogs from outside. OK is IDOK and Abbrechen is
// IDCANCEL in all three dialogs.
inline constexpr int kIdAnzeigeName = 1001;  // txtAnzeigeName, or cmbAnzeigeName
inline constexpr int kIdUserName = 1002;
inline constexpr int kIdPassword = 1003;
inline constexpr int kIdOptionOL = 1004;
inline constexpr int kIdOptionTE = 1005;
inline constexpr int kIdLinkName = 1006;
inline constexpr int kIdFrame1 = 1007;
inline constexpr int kIdLabelAnzeigeName = 1011;
inline constexpr int kIdLabelUserName = 1012;
inline constexpr int kIdLabelPassword = 1013;
// The line under the fields that says why OK is greyed; hidden while there is nothing to say.
inline constexpr int kIdOkHint = 1014;

class AccountDialogWindowFactory : public AccountDialogViewFactory {
 public:
  AccountDialogWindowFactory(HINSTANCE instance, Win32EventLoop& loop)
      : instance_(instance), loop_(loop) {}

  std::unique_ptr<FmNewView> CreateView(FmNewEvents& events) override;
  std::unique_ptr<FmEditView> CreateView(FmEditEvents& events) override;
  std::unique_ptr<FmDeleteView> CreateView(FmDeleteEvents& events) override;

 private:
  HINSTANCE instance_;
  Win32EventLoop& loop_;
};

}  // namespace pw::win32
