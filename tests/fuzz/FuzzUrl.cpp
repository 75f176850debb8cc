// libFuzzer target for the URL reader and the endpoint rule: no crash, and http:// is allowed
// only where the parsed host is the own machine.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "common/Url.h"
#include "oauth/OAuthConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<pw::Url> url = pw::ParseUrl(text);
  const bool allowed = pw::IsAllowedEndpoint(text);
  if (url) {
    if (url->port < 1 || url->port > 65535 || url->host.empty() || url->target.empty() ||
        url->target[0] != '/') {
      std::abort();
    }
    if (allowed && url->scheme == "http" && !pw::IsLoopbackHost(url->host)) std::abort();
    if (allowed && !url->userinfo.empty()) std::abort();
    // The host read once more, alone, gives the same verdict.
    const std::string again =
        url->scheme + "://" + (url->ipv6 ? "[" + url->host + "]" : url->host) + "/";
    const std::optional<pw::Url> reread = pw::ParseUrl(again);
    if (!reread || reread->host != url->host) std::abort();
  } else if (allowed) {
    std::abort();
  }
  pw::IsLoopbackHost(text);
  return 0;
}
