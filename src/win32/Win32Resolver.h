// The lookup over GetAddrInfoW, which the system resolver (platform/ThreadedResolver.h) runs on a
// thread of its own while the caller sleeps on its completion and the message queue at once.
#pragma once

#include <string>
#include <vector>

#include "platform/Resolver.h"

namespace pw::win32 {

// Looks host up on the calling thread and answers its numeric addresses in the order to try
// them; raises LookupError's numbers.
std::vector<std::string> LookUpBlocking(const std::string& host);

}  // namespace pw::win32
