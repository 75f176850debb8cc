// fmStart's window states, tray mouse decoding, close protection and menu items.
#include <exception>

#include "app/FmStart.h"

namespace pw {
namespace {

constexpr int kWmLButtonUp = 0x202;
constexpr int kWmLButtonDblClk = 0x203;
constexpr int kWmRButtonUp = 0x205;
constexpr float kOuterWidthTwips = 5070;
constexpr float kOuterHeightTwips = 3540;

}  // namespace

void FmStart::Form_Resize() {
  if (s_.window.State() == WindowState::Minimized) {
    timer1_->SetEnabled(true);
    timer2_->SetEnabled(false);
    if (s_.window.State() == WindowState::Minimized) s_.window.Hide();
  } else {
    s_.window.SetOuterSizeTwips(kOuterWidthTwips, kOuterHeightTwips);
    timer1_->SetEnabled(false);
    timer2_->SetEnabled(true);
  }
}

void FmStart::Form_MouseMove(int message) {
  if (anwesend_->Visible()) return;
  switch (message) {
    case kWmLButtonUp:
    case kWmLButtonDblClk:
      RestoreMainWindow();
      break;
    case kWmRButtonUp:
      s_.tray.SetForegroundWindow(s_.window.Handle());
      s_.window.PopupTrayMenu();
      break;
    default:
      break;
  }
}

void FmStart::RestoreMainWindow() {
  s_.window.SetState(WindowState::Normal);
  s_.tray.SetForegroundWindow(s_.window.Handle());
  s_.window.Show();
}

void FmStart::Form_QueryUnload(bool& cancel, int unloadMode) {
  if (unloadMode == kUnloadFormCode) {
    std::string answer =
        s_.dialogs.InputBox("Geben Sie das Beendigungspasswort ein!", "Beenden!");
    if (answer != "kuf") cancel = true;
  } else {
    cancel = true;
    s_.window.SetState(WindowState::Minimized);
  }
  if (unloadMode == kUnloadAppWindows || unloadMode == kUnloadAppTaskManager) cancel = false;
  try {
    s_.Imap1.SignOut();
  } catch (const std::exception&) {
    // Errors of the component during the close are of no interest.
  }
}

bool FmStart::RequestUnload(int unloadMode) {
  if (unloaded_) return true;
  bool cancel = false;
  Form_QueryUnload(cancel, unloadMode);
  if (cancel) return false;
  Form_Unload();
  s_.window.Close();
  return true;
}

void FmStart::mAnwesenheit_Click() {
  anwesend_->Show();
  timer2_->SetEnabled(false);
}

void FmStart::mBeenden_Click() { RequestUnload(kUnloadFormCode); }

void FmStart::mEdit_Click() {
  timer2_->SetEnabled(false);
  if (forms_) forms_->ShowEdit();
}

void FmStart::mNew_Click() {
  timer2_->SetEnabled(false);
  if (forms_) forms_->ShowNew();
}

void FmStart::mDelete_Click() {
  timer2_->SetEnabled(false);
  if (forms_) forms_->ShowDelete();
}

void FmStart::mAbout_Click() {
  timer2_->SetEnabled(false);
  if (forms_) forms_->ShowAbout();
}

void FmStart::mPopRestore_Click() { RestoreMainWindow(); }

void FmStart::mAnwesenheitTray_Click() { anwesend_->Show(); }

void FmStart::mPopExit_Click() { RequestUnload(kUnloadFormCode); }

}  // namespace pw
