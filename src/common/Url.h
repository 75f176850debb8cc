// One reading of an absolute http(s) URL (RFC 3986), so that every decision on "which machine"
// is taken on the host the request really goes to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pw {

struct Url {
  std::string scheme;    // lower case: "http" or "https"
  std::string userinfo;  // what stood before "@", if anything
  std::string host;      // lower case; an IPv6 literal without its brackets
  bool ipv6 = false;     // the host was an IPv6 literal
  int port = 0;          // the given port, or the scheme's default
  std::string target;    // path, query and the rest, "/" when none was given
};

// Only http and https, with a host; nothing when the text is no such URL (a blank or control
// character, a bad port, a broken IPv6 literal, a "%" in a host name).
std::optional<Url> ParseUrl(std::string_view text);

// The own machine: "localhost" (also with the final dot), 127.0.0.0/8 in the dotted form, ::1
// and ::ffff:127.x.y.z. The host as ParseUrl gives it, or as it stands in a setting.
bool IsLoopbackHost(std::string_view host);

// An http(s) URL whose host is the own machine.
bool IsLoopbackUrl(std::string_view text);

}  // namespace pw
