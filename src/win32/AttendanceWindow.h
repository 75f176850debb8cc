// The attendance window fmAnwesend on Win32: the ListView Personal with tick boxes and the
// buttons "&OK" and "&Abbrechen". It shows what the form hands it and reports events.
#pragma once

#include <memory>
#include <vector>

#include "attendance/AttendanceView.h"
#include "win32/Win32EventLoop.h"
#include "win32/WindowBase.h"

namespace pw::win32 {

class AttendanceWindow : public AttendanceView, private WindowBase {
 public:
  // Creates the window hidden and without owner. Each event may close the window and drop the
  // view object: the window touches nothing of its own after reporting one.
  AttendanceWindow(HINSTANCE instance, Win32EventLoop& loop, AttendanceEvents& events);
  ~AttendanceWindow() override;

  using WindowBase::Hwnd;
  HWND List() const { return list_; }
  HWND OkButton() const { return ok_; }
  HWND CancelButton() const { return cancel_; }

  void RemoveAllRows() override;
  void AddRow(const std::string& cells) override;
  std::int32_t RowCount() const override;
  std::int16_t Tick(std::int32_t row) const override;
  void SetTick(std::int32_t row, std::int16_t state) override;
  std::string Text(std::int32_t row) const override;
  void FinalSetup() override;
  void Refresh() override;
  void Show() override;
  bool Visible() const override;
  // Modal: every other top-level window of the program is disabled until it ends.
  void SetModal(bool modal) override;
  void Close() override;

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnSize(WPARAM kind);
  void OnItemChanged(const NMLISTVIEW& change);
  void Layout();
  void CheckRow(std::int32_t row) const;
  LPARAM RowParam(std::int32_t row) const;
  void SetRowParam(std::int32_t row, LPARAM value);

  AttendanceEvents& events_;
  // The windows SetModal disabled, to be enabled again when it ends.
  std::vector<HWND> disabled_;
  HWND list_ = nullptr;
  HWND ok_ = nullptr;
  HWND cancel_ = nullptr;
  HWND lastFocus_ = nullptr;
  bool ready_ = false;
  bool shown_ = false;
  bool sized_ = false;
  bool modal_ = false;
};

class AttendanceWindowFactory : public AttendanceViewFactory {
 public:
  AttendanceWindowFactory(HINSTANCE instance, Win32EventLoop& loop)
      : instance_(instance), loop_(loop) {}
  std::unique_ptr<AttendanceView> CreateView(AttendanceEvents& events) override;

 private:
  HINSTANCE instance_;
  Win32EventLoop& loop_;
};

}  // namespace pw::win32
