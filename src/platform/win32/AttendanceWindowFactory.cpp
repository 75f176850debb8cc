// The factory that gives the form fmAnwesend its Win32 window.
#include "attendance/FmAnwesend.h"
#include "platform/win32/AttendanceWindow.h"

namespace pw::win32 {

std::unique_ptr<AttendanceView> AttendanceWindowFactory::CreateAttendanceView(FmAnwesend& form) {
  AttendanceWindowEvents events;
  events.Form_Resize = [&form] { form.Form_Resize(); };
  events.cmdOK_Click = [&form] { form.cmdOK_Click(); };
  events.cmdCancel_Click = [&form] { form.cmdCancel_Click(); };
  events.Unload = [&form] { form.Unload(); };
  return std::make_unique<AttendanceWindow>(instance_, loop_, std::move(events));
}

}  // namespace pw::win32
