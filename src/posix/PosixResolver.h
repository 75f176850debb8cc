// The lookup over getaddrinfo, which the system resolver (platform/ThreadedResolver.h) runs on a
// thread of its own.
#pragma once

#include <string>
#include <vector>

#include "platform/Resolver.h"

namespace pw {

// Looks host up on the calling thread and answers its numeric addresses in the order to try
// them; raises LookupError's numbers.
std::vector<std::string> LookUpBlocking(const std::string& host);

}  // namespace pw
