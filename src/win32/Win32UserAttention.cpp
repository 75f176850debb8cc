// SHQueryUserNotificationState, mapped to the states the announcement tells apart.
#include "win32/Win32UserAttention.h"

#include "platform/Trace.h"
#include "win32/Win32.h"

// After windows.h: shellapi.h needs its types.
#include <shellapi.h>

namespace pw::win32 {
namespace {

// QUNS_APP: Windows 8's headers only; the program builds for Windows 7.
constexpr int kQunsApp = 7;

}  // namespace

UserState Win32UserAttention::Query() {
  QUERY_USER_NOTIFICATION_STATE state{};
  if (FAILED(SHQueryUserNotificationState(&state))) {
    // Announced as usual: a missed presentation is better than missed mail.
    TraceIgnored("SHQueryUserNotificationState");
    return UserState::kAvailable;
  }
  if (static_cast<int>(state) == kQunsApp) return UserState::kFocusAssist;
  switch (state) {
    case QUNS_NOT_PRESENT:
      return UserState::kNotPresent;
    case QUNS_BUSY:
      return UserState::kBusy;
    case QUNS_RUNNING_D3D_FULL_SCREEN:
      return UserState::kFullScreen;
    case QUNS_PRESENTATION_MODE:
      return UserState::kPresentation;
    case QUNS_QUIET_TIME:
      return UserState::kQuietTime;
    default:
      return UserState::kAvailable;
  }
}

}  // namespace pw::win32
