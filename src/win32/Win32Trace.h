// The trace sink of the Windows program: the debugger's output.
#pragma once

#include <string_view>

namespace pw::win32 {

// OutputDebugStringW, one line per note (DebugView and debuggers show it).
void DebuggerTrace(std::string_view line);

}  // namespace pw::win32
