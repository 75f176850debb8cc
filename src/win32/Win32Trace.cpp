#include "win32/Win32Trace.h"

#include <string>

#include "win32/Strconv.h"
#include "win32/Win32.h"

namespace pw::win32 {

void DebuggerTrace(std::string_view line) {
  std::wstring text = Widen(line);
  text += L"\n";
  OutputDebugStringW(text.c_str());
}

}  // namespace pw::win32
