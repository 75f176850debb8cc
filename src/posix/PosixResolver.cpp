#include "posix/PosixResolver.h"

#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <memory>

#include "platform/SocketErrors.h"
#include "platform/ThreadedResolver.h"

namespace pw {
namespace {

LookupCondition ConditionOf(int rc) {
  switch (rc) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
      return LookupCondition::NotFound;
    case EAI_AGAIN:
    case EAI_FAIL:
      return LookupCondition::Temporary;
    default:
      return LookupCondition::Other;
  }
}

}  // namespace

std::vector<std::string> LookUpBlocking(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &list);
  if (rc == EAI_SYSTEM) throw SocketError(SocketCondition::Other, errno);
  if (rc != 0) throw LookupError(ConditionOf(rc), host, rc);
  std::vector<std::string> addresses;
  for (addrinfo* a = list; a != nullptr; a = a->ai_next) {
    char text[NI_MAXHOST];
    if (getnameinfo(a->ai_addr, a->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) ==
        0) {
      addresses.emplace_back(text);
    }
  }
  freeaddrinfo(list);
  if (addresses.empty()) throw LookupError(LookupCondition::NotFound, host, 0);
  return InterleaveFamilies(addresses);
}

std::unique_ptr<Resolver> MakeSystemResolver(WaitPump pump) {
  // The caller's pump is served between waits this short.
  return std::make_unique<ThreadedResolver>(std::move(pump), &LookUpBlocking, &MakeThreadSignal,
                                            20);
}

}  // namespace pw
