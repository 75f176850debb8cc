// Hands the main window's events to the form fmStart and closes the window once it has
// unloaded.
#pragma once

#include "app/FmStart.h"
#include "platform/win32/MainWindow.h"

namespace pw::win32 {

class FmStartEvents : public MainWindowEvents {
 public:
  FmStartEvents(FmStart& form, MainWindow& window) : form_(form), window_(window) {}

  void Form_Activate() override { Then(&FmStart::Form_Activate); }
  void Form_Paint() override { Then(&FmStart::Form_Paint); }
  void Form_Resize() override { Then(&FmStart::Form_Resize); }
  void Form_MouseMove(int message) override {
    form_.Form_MouseMove(message);
    CloseIfUnloaded();
  }
  void RequestUnload(int unloadMode) override {
    form_.RequestUnload(unloadMode);
    CloseIfUnloaded();
  }
  void MenuClick(MenuCommand command) override {
    switch (command) {
      case kCmdRefresh: form_.mRefresh_Click(); break;
      case kCmdAnwesenheit: form_.mAnwesenheit_Click(); break;
      case kCmdBeenden: form_.mBeenden_Click(); break;
      case kCmdEdit: form_.mEdit_Click(); break;
      case kCmdNew: form_.mNew_Click(); break;
      case kCmdDelete: form_.mDelete_Click(); break;
      case kCmdAbout: form_.mAbout_Click(); break;
      case kCmdPopRestore: form_.mPopRestore_Click(); break;
      case kCmdAnwesenheitTray: form_.mAnwesenheitTray_Click(); break;
      case kCmdPopExit: form_.mPopExit_Click(); break;
      case kCmdRefreshTray: form_.mRefreshTray_Click(); break;
      default: break;
    }
    CloseIfUnloaded();
  }
  void Anzeige_NodeSelected(int position) override {
    std::int32_t index = position;
    form_.Anzeige_NodeSelected(index);
  }
  void Anzeige_Click() override { Then(&FmStart::Anzeige_Click); }
  void Anzeige_DblClick() override { Then(&FmStart::Anzeige_DblClick); }
  void TaskbarCreated() override { form_.Tray().AddIconAgain(); }

 private:
  void Then(void (FmStart::*handler)()) {
    (form_.*handler)();
    CloseIfUnloaded();
  }
  // The window goes once the form has unloaded, whichever event led there.
  void CloseIfUnloaded() {
    if (form_.Unloaded()) window_.Close();
  }

  FmStart& form_;
  MainWindow& window_;
};

}  // namespace pw::win32
