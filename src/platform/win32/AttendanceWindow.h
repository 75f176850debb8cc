// The attendance window fmAnwesend on Win32: the ListView Personal with tick boxes and the
// buttons "&OK" and "&Abbrechen". It shows what the form hands it and reports events.
#pragma once

#include <functional>
#include <vector>

#include "attendance/AttendanceView.h"
#include "platform/win32/Win32EventLoop.h"
#include "platform/win32/WindowBase.h"

namespace pw::win32 {

// The window's events. Each handler may close the window and drop the view object, so the
// view calls a copy of the handler and touches nothing of its own afterwards.
struct AttendanceWindowEvents {
  std::function<void()> Form_Resize;
  std::function<void()> cmdOK_Click;
  std::function<void()> cmdCancel_Click;
  // The close box: the form's Unload.
  std::function<void()> Unload;
};

class AttendanceWindow : public AttendanceView, private WindowBase {
 public:
  // Creates the window hidden and without owner.
  AttendanceWindow(HINSTANCE instance, Win32EventLoop& loop, AttendanceWindowEvents events);
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
  void OnDestroyed() override;
  void OnSize(WPARAM kind);
  void OnItemChanged(const NMLISTVIEW& change);
  void Layout();
  void CheckRow(std::int32_t row) const;
  LPARAM RowParam(std::int32_t row) const;
  void SetRowParam(std::int32_t row, LPARAM value);
  static void Fire(std::function<void()> handler);

  Win32EventLoop& loop_;
  AttendanceWindowEvents events_;
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


// Makes the attendance windows of the form fmAnwesend (declared in attendance/AttendanceView.h).
class AttendanceWindowFactory : public AttendanceViewFactory {
 public:
  AttendanceWindowFactory(HINSTANCE instance, Win32EventLoop& loop)
      : instance_(instance), loop_(loop) {}
  std::unique_ptr<AttendanceView> CreateAttendanceView(FmAnwesend& form) override;

 private:
  HINSTANCE instance_;
  Win32EventLoop& loop_;
};

}  // namespace pw::win32
