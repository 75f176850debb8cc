// Hands the main window's events to the form fmStart and closes the window once it has
// unloaded. fmStart keeps its handlers as its documents name them; whichever event led to the
// unload, the window goes only after that handler has returned.
#pragma once

#include "app/FmStart.h"
#include "common/MainWindowView.h"

namespace pw {

class FmStartEvents : public MainWindowEvents {
 public:
  FmStartEvents(FmStart& form, MainWindowView& window) : form_(form), window_(window) {}

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
  void mRefresh_Click() override { Then(&FmStart::mRefresh_Click); }
  void mAnwesenheit_Click() override { Then(&FmStart::mAnwesenheit_Click); }
  void mBeenden_Click() override { Then(&FmStart::mBeenden_Click); }
  void mEdit_Click() override { Then(&FmStart::mEdit_Click); }
  void mNew_Click() override { Then(&FmStart::mNew_Click); }
  void mDelete_Click() override { Then(&FmStart::mDelete_Click); }
  void mAbout_Click() override { Then(&FmStart::mAbout_Click); }
  void mPopRestore_Click() override { Then(&FmStart::mPopRestore_Click); }
  void mAnwesenheitTray_Click() override { Then(&FmStart::mAnwesenheitTray_Click); }
  void mPopExit_Click() override { Then(&FmStart::mPopExit_Click); }
  void mRefreshTray_Click() override { Then(&FmStart::mRefreshTray_Click); }
  void Anzeige_NodeSelected(std::int32_t position) override {
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
  MainWindowView& window_;
};

}  // namespace pw
