// Looking up the server's addresses without holding the program up: the answer is awaited within
// the call's deadline while the program's window messages are served.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/AppError.h"
#include "platform/Transport.h"

namespace pw {

// What a failed lookup came to, named after the getaddrinfo results both platforms report.
enum class LookupCondition {
  NotFound,   // EAI_NONAME, EAI_NODATA, WSAHOST_NOT_FOUND, WSANO_DATA: the name has no address
  Temporary,  // EAI_AGAIN, EAI_FAIL, WSATRY_AGAIN, WSANO_RECOVERY, no network, no answer in time
  Other,      // anything else
};

// The transport's error for a failed lookup of host: a definite "no such host" is
// kNetHostNotFound, a lookup that may well succeed later is kNetNameUnavailable (the server out
// of reach); systemCode is what the platform said, shown for Other.
AppError LookupError(LookupCondition condition, const std::string& host, int systemCode);

// The order in which to try a name's numeric addresses (RFC 8305 4): the resolver's own order
// within each family, the families alternating, beginning with the family of the first.
std::vector<std::string> InterleaveFamilies(const std::vector<std::string>& addresses);

class Resolver {
 public:
  virtual ~Resolver() = default;
  // The numeric addresses of host (IPv6 and IPv4) in the order to try them, within timeoutMs.
  // Raises LookupError's numbers (kNetNameUnavailable when no answer came in time), and
  // kNetAborted when the pump answers false.
  virtual std::vector<std::string> Resolve(const std::string& host, int timeoutMs) = 0;
};

// The platform's resolver; the lookup itself runs on a thread of its own, and a lookup given up
// at the deadline is left to finish there. Without a pump the caller simply blocks.
std::unique_ptr<Resolver> MakeSystemResolver(WaitPump pump = {});

}  // namespace pw
