// Which of the transport's errors a failed socket call becomes: each platform names the
// condition its error code stands for, the grouping into what the user is told is decided here.
#pragma once

#include "common/AppError.h"

namespace pw {

// The conditions both socket interfaces report, named after their POSIX codes.
enum class SocketCondition {
  TimedOut,         // ETIMEDOUT, WSAETIMEDOUT
  Refused,          // ECONNREFUSED, WSAECONNREFUSED
  NetUnreachable,   // ENETUNREACH, WSAENETUNREACH
  HostUnreachable,  // EHOSTUNREACH, WSAEHOSTUNREACH
  NetDown,          // ENETDOWN, WSAENETDOWN
  HostDown,         // EHOSTDOWN, WSAEHOSTDOWN
  Reset,            // ECONNRESET, WSAECONNRESET
  Aborted,          // ECONNABORTED, WSAECONNABORTED
  Shutdown,         // EPIPE, WSAESHUTDOWN: sending on a connection shut down for it
  NetReset,         // WSAENETRESET
  Other,            // anything else
};

// The transport's error for condition; systemCode is what the platform said, shown for Other.
AppError SocketError(SocketCondition condition, int systemCode);

}  // namespace pw
