#include "platform/SocketErrors.h"

#include <string>

#include "platform/Transport.h"

namespace pw {

AppError SocketError(SocketCondition condition, int systemCode) {
  switch (condition) {
    case SocketCondition::TimedOut:
      return NetError(kNetTimedOut);
    case SocketCondition::Refused:
      return NetError(kNetRefused);
    case SocketCondition::NetUnreachable:
    case SocketCondition::HostUnreachable:
    case SocketCondition::NetDown:
    case SocketCondition::HostDown:
      return NetError(kNetUnreachable);
    case SocketCondition::Reset:
    case SocketCondition::Aborted:
    case SocketCondition::Shutdown:
    case SocketCondition::NetReset:
      return NetError(kNetClosed);
    case SocketCondition::Other:
      break;
  }
  return NetError(kNetFailure, std::to_string(systemCode));
}

}  // namespace pw
