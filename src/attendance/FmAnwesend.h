// The attendance list fmAnwesend: its rows are the accounts the check run works through.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "accounts/AccountStore.h"
#include "attendance/AttendanceView.h"
#include "common/Globals.h"
#include "platform/EventLoop.h"
#include "platform/Timer.h"

namespace pw {

class FmAnwesend : public AttendanceEvents {
 public:
  FmAnwesend(AttendanceViewFactory& views, SettingsStore& settings, Globals& globals,
             EventLoop& loop, Timer& mainTimer2);
  ~FmAnwesend() override;

  // The list Personal; touching it while the window is not loaded loads it hidden.
  AttendanceView& Personal();
  bool Loaded() const { return view_.Loaded(); }
  bool Visible() const { return view_ && view_->Visible(); }
  // Shows the window without waiting for it.
  void Show();
  // Shows the window modally and returns when it has been closed.
  void ShowModal();
  // Unloads the window (every way it is closed ends here).
  void Unload();
  // An account was added or removed elsewhere: a loaded list is filled afresh, the ticks not
  // yet confirmed kept for the accounts that remain.
  void AccountsChanged();

  void Form_Load();
  void Form_Resize() override;
  void cmdOK_Click() override;
  void cmdCancel_Click() override;
  void Form_CloseBox() override { Unload(); }
  void Form_Unload();

 private:
  void Load();
  // The stored tick of an account, or nothing when "Angezeigt" is no 16-bit number.
  std::optional<std::int16_t> TickFromStore(const std::string& name);

  AccountStore accounts_;
  Globals& globals_;
  EventLoop& loop_;
  Timer& mainTimer2_;
  FormView<AttendanceView, AttendanceEvents> view_;
  bool modal_ = false;
};

}  // namespace pw
