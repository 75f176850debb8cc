// Notes for a developer where the program deliberately goes on past a failure; the user sees
// nothing of them.
#pragma once

#include <string_view>

namespace pw {

// Where the notes go. The Windows program sends them to the debugger's output; without a sink
// (the POSIX builds) they go nowhere.
using TraceSink = void (*)(std::string_view line);
// Installs sink (nullptr: none) and answers the one it replaces.
TraceSink SetTraceSink(TraceSink sink);

void Trace(std::string_view line);

// For a catch block that ignores what it caught: notes `where` with the exception being
// handled (its what(), when it is a std::exception).
void TraceIgnored(std::string_view where);

}  // namespace pw
