// The note hook: one sink for the whole program.
#include "platform/Trace.h"

#include <exception>
#include <string>

namespace pw {
namespace {

TraceSink g_sink = nullptr;

}  // namespace

TraceSink SetTraceSink(TraceSink sink) {
  TraceSink previous = g_sink;
  g_sink = sink;
  return previous;
}

void Trace(std::string_view line) {
  if (g_sink) g_sink(line);
}

void TraceIgnored(std::string_view where) {
  if (!g_sink) return;
  std::string line = "Postwacht: ignored in " + std::string(where);
  try {
    if (std::exception_ptr current = std::current_exception()) std::rethrow_exception(current);
  } catch (const std::exception& e) {
    line += ": ";
    line += e.what();
  } catch (...) {
    line += ": (no std::exception)";
  }
  Trace(line);
}

}  // namespace pw
