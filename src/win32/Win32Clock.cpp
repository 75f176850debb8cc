#include "win32/Win32Clock.h"

#include "win32/Win32.h"

namespace pw::win32 {

int Win32Clock::SecondsSinceMidnight() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
}

}  // namespace pw::win32
