#include "platform/Resolver.h"

#include <string>

namespace pw {

AppError LookupError(LookupCondition condition, const std::string& host, int systemCode) {
  switch (condition) {
    case LookupCondition::NotFound:
      return NetError(kNetHostNotFound, host);
    case LookupCondition::Temporary:
      return NetError(kNetNameUnavailable, host);
    case LookupCondition::Other:
      break;
  }
  return NetError(kNetFailure, std::to_string(systemCode));
}

std::vector<std::string> InterleaveFamilies(const std::vector<std::string>& addresses) {
  // A numeric IPv6 address is the only form with a colon.
  std::vector<std::string> v6;
  std::vector<std::string> v4;
  for (const std::string& a : addresses) {
    (a.find(':') != std::string::npos ? v6 : v4).push_back(a);
  }
  const bool sixFirst = !addresses.empty() && addresses.front().find(':') != std::string::npos;
  const std::vector<std::string>& first = sixFirst ? v6 : v4;
  const std::vector<std::string>& second = sixFirst ? v4 : v6;
  std::vector<std::string> ordered;
  ordered.reserve(addresses.size());
  for (std::size_t i = 0; i < first.size() || i < second.size(); ++i) {
    if (i < first.size()) ordered.push_back(first[i]);
    if (i < second.size()) ordered.push_back(second[i]);
  }
  return ordered;
}

}  // namespace pw
