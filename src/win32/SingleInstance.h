// One running program per user and session: a named mutex in the session's namespace, and the
// hand-over of a second start to the running one.
#pragma once

#include <string>

#include "win32/Handles.h"
#include "win32/Win32.h"

namespace pw::win32 {

class SingleInstance {
 public:
  // Claims the mutex for this user and session; First() tells whether this process got it.
  SingleInstance();

  bool First() const { return first_; }

  // For a second start: asks the running program's main window to come up, as a click on the
  // tray icon does, and returns false. Waits up to waitMs for that window (the first may still
  // be starting). When the first process ends meanwhile, this one takes the mutex over and
  // returns true: it is then the first.
  bool HandOverOrTakeOver(DWORD waitMs);

 private:
  UniqueKernelHandle mutex_;
  bool first_ = false;
};

// "Local\" keeps the name to the session (terminal server, fast user switching), the user's SID
// to the user (a program started as another user inside the session).
std::wstring InstanceMutexName();

}  // namespace pw::win32
