// fmAnwesend: fill from the account store, confirm the ticks as kValueShown, unload.
#include "attendance/FmAnwesend.h"

#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "common/AppError.h"
#include "common/Text.h"
#include "platform/Trace.h"

namespace pw {

FmAnwesend::FmAnwesend(AttendanceViewFactory& views, SettingsStore& settings, Globals& globals,
                       EventLoop& loop, Timer& mainTimer2)
    : accounts_(settings),
      globals_(globals),
      loop_(loop),
      mainTimer2_(mainTimer2),
      view_(views, *this) {}

FmAnwesend::~FmAnwesend() = default;

void FmAnwesend::Load() {
  if (view_.Load()) Form_Load();
}

AttendanceView& FmAnwesend::Personal() {
  Load();
  return *view_;
}

void FmAnwesend::Show() {
  Load();
  const bool wasVisible = view_->Visible();
  view_->Show();
  // The first showing is a resize too, and every resize fills the list afresh.
  if (!wasVisible && view_) Form_Resize();
}

void FmAnwesend::ShowModal() {
  Show();
  if (!view_) return;
  modal_ = true;
  view_->SetModal(true);
  while (view_ && view_->Visible()) {
    if (!loop_.WaitOne()) break;
  }
  if (view_ && modal_) view_->SetModal(false);
  modal_ = false;
}

void FmAnwesend::Unload() {
  if (!view_) return;
  Form_Unload();
  if (modal_) {
    view_->SetModal(false);
    modal_ = false;
  }
  view_.Unload();
}

void FmAnwesend::Form_Load() {
  if (!view_) return;
  try {
    view_->RemoveAllRows();
    const std::vector<std::string> names = accounts_.List();
    std::int32_t row = 0;
    for (const std::string& name : names) {
      view_->AddRow(";" + name);
      if (auto tick = TickFromStore(name)) view_->SetTick(row, *tick);
      ++row;
    }
  } catch (const std::exception&) {
    // The rows added so far stay; the final setup is skipped.
    TraceIgnored("FmAnwesend.Form_Load");
    return;
  }
  view_->FinalSetup();
  view_->Refresh();
}

std::optional<std::int16_t> FmAnwesend::TickFromStore(const std::string& name) {
  const std::string text = accounts_.Read(name, kValueShown, "1");
  try {
    return AttendanceFromText(text);
  } catch (const AppError&) {
    // A hand-edited value that is no number leaves the row as the list made it; the accounts
    // listed after it must not drop out of the check.
    TraceIgnored("FmAnwesend.TickFromStore");
    return std::nullopt;
  }
}

void FmAnwesend::Form_Resize() {
  if (!view_ || view_.Loading()) return;
  Form_Load();
}

void FmAnwesend::AccountsChanged() {
  if (!view_ || view_.Loading()) return;
  std::vector<std::pair<std::string, std::int16_t>> ticks;
  for (std::int32_t r = 0; r < view_->RowCount(); ++r) {
    try {
      ticks.emplace_back(view_->Text(r), view_->Tick(r));
    } catch (const std::exception&) {
      TraceIgnored("FmAnwesend.AccountsChanged");  // this row takes the stored tick
    }
  }
  Form_Load();
  if (!view_) return;
  for (std::int32_t r = 0; r < view_->RowCount(); ++r) {
    for (const auto& [name, tick] : ticks) {
      if (EqualsNoCase(name, view_->Text(r))) view_->SetTick(r, tick);
    }
  }
}

void FmAnwesend::cmdOK_Click() {
  if (!view_) return;
  // Only the accounts that still exist: a row of one removed meanwhile would write its key
  // back with nothing but "Angezeigt", an empty account in every list from then on.
  std::vector<std::string> stored;
  try {
    stored = accounts_.List();
  } catch (const std::exception&) {
    TraceIgnored("FmAnwesend.cmdOK_Click: List");  // no Benutzer key: nothing to store
  }
  const std::int32_t n = view_->RowCount();
  for (std::int32_t r = 0; r < n; ++r) {
    try {
      const std::string name = view_->Text(r);
      bool exists = false;
      for (const std::string& s : stored) exists = exists || EqualsNoCase(s, name);
      if (!exists) {
        TraceIgnored("FmAnwesend.cmdOK_Click: removed");
        continue;
      }
      const std::int16_t tick = view_->Tick(r);
      accounts_.Write(name, kValueShown, std::to_string(tick));
    } catch (const std::exception&) {
      // This row is skipped; the others are still stored.
      TraceIgnored("FmAnwesend.cmdOK_Click");
    }
  }
  mainTimer2_.SetEnabled(true);
  Unload();
}

void FmAnwesend::cmdCancel_Click() {
  mainTimer2_.SetEnabled(true);
  Unload();
}

void FmAnwesend::Form_Unload() { globals_.AttendanceAsked = true; }

}  // namespace pw
