// The attendance window as its form drives it: the list Personal and the window itself, and
// what it reports.
#pragma once

#include <cstdint>
#include <string>

#include "common/FormView.h"

namespace pw {

class AttendanceView {
 public:
  virtual ~AttendanceView() = default;
  // The list Personal: rows from 0, column 1 the tick, column 2 the display name.
  virtual void RemoveAllRows() = 0;
  // Appends a row from its cell texts separated by ";" (the first cell stays empty).
  virtual void AddRow(const std::string& cells) = 0;
  virtual std::int32_t RowCount() const = 0;
  virtual std::int16_t Tick(std::int32_t row) const = 0;
  virtual void SetTick(std::int32_t row, std::int16_t state) = 0;
  virtual std::string Text(std::int32_t row) const = 0;
  // The list's final setup after a fill.
  virtual void FinalSetup() = 0;
  virtual void Refresh() = 0;
  virtual void Show() = 0;
  virtual bool Visible() const = 0;
  // While modal, the other windows of the program take no input.
  virtual void SetModal(bool modal) = 0;
  // Destroys the window; the form drops the view right after.
  virtual void Close() = 0;
};

// What the user does in the window. Each handler may close the window.
class AttendanceEvents {
 public:
  virtual ~AttendanceEvents() = default;
  // Also the window's first showing.
  virtual void Form_Resize() = 0;
  virtual void cmdOK_Click() = 0;
  virtual void cmdCancel_Click() = 0;
  // The window's close box.
  virtual void Form_CloseBox() = 0;
};

using AttendanceViewFactory = ViewFactory<AttendanceView, AttendanceEvents>;

}  // namespace pw
