// fmStart's window states, tray mouse decoding, close protection and menu items.
#include "tray/WindowStates.h"

#include <exception>
#include <string>

#include "common/Texts.h"
#include "platform/Trace.h"

namespace pw {
namespace {

constexpr int kWmLButtonUp = 0x202;
constexpr int kWmLButtonDblClk = 0x203;
constexpr int kWmRButtonUp = 0x205;
constexpr float kOuterWidthTwips = 5070;
constexpr float kOuterHeightTwips = 3540;

}  // namespace

void WindowStates::Form_Resize() {
  if (window_.State() == WindowState::Minimized) {
    timer1_.SetEnabled(true);
    timer2_.SetEnabled(false);
    if (window_.State() == WindowState::Minimized) window_.Hide();
  } else {
    window_.SetOuterSizeTwips(kOuterWidthTwips, kOuterHeightTwips);
    timer1_.SetEnabled(false);
    timer2_.SetEnabled(true);
  }
}

void WindowStates::Form_MouseMove(int message) {
  if (anwesend_.Visible()) return;
  switch (message) {
    case kWmLButtonUp:
    case kWmLButtonDblClk:
      RestoreMainWindow();
      break;
    case kWmRButtonUp:
      tray_.SetForegroundWindow(window_.Handle());
      window_.PopupTrayMenu();
      break;
    default:
      break;
  }
}

void WindowStates::RestoreMainWindow() {
  window_.SetState(WindowState::Normal);
  tray_.SetForegroundWindow(window_.Handle());
  window_.Show();
}

void WindowStates::Form_QueryUnload(bool& cancel, int unloadMode) {
  if (unloadMode == kUnloadFormCode) {
    std::string answer = dialogs_.InputBox(kQuitPasswordPrompt, kQuitPasswordTitle);
    if (answer != "kuf") cancel = true;
  } else {
    cancel = true;
    window_.SetState(WindowState::Minimized);
  }
  if (unloadMode == kUnloadAppWindows || unloadMode == kUnloadAppTaskManager) cancel = false;
  try {
    imap_.SignOut();
  } catch (const std::exception&) {
    // Errors of the component during the close are of no interest to the user.
    TraceIgnored("Form_QueryUnload: Imap1.SignOut");
  }
}

void WindowStates::mAnwesenheit_Click() {
  anwesend_.Show();
  timer2_.SetEnabled(false);
}

void WindowStates::mEdit_Click() {
  timer2_.SetEnabled(false);
  if (forms_) forms_->ShowEdit();
}

void WindowStates::mNew_Click() {
  timer2_.SetEnabled(false);
  if (forms_) forms_->ShowNew();
}

void WindowStates::mDelete_Click() {
  timer2_.SetEnabled(false);
  if (forms_) forms_->ShowDelete();
}

void WindowStates::mAbout_Click() {
  timer2_.SetEnabled(false);
  if (forms_) forms_->ShowAbout();
}

void WindowStates::mAnwesenheitTray_Click() { anwesend_.Show(); }

}  // namespace pw
