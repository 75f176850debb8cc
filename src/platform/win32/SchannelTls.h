// The TLS engine over SSPI/Schannel, and the name rules it checks the server's certificate by.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Tls.h"
#include "platform/win32/Win32.h"

// After <windows.h>, which it needs.
// clang-format off
#include <wincrypt.h>
// clang-format on

namespace pw::win32 {

// Whether a DNS name from a certificate (subjectAltName or common name) covers host: compared
// without regard to ASCII case and a trailing dot; "*" only as the whole left-most label of a
// name with at least two labels after it, standing for exactly one label (RFC 6125, 6.4.3).
bool CertNameMatches(std::string_view pattern, std::string_view host);

// Whether cert is issued for host: an address against the subjectAltName's IP addresses, a
// name against its DNS names, or against the (last) common name when it has none.
bool CertificateMatchesHost(const CERT_CONTEXT& cert, std::string_view host);

// host as the 4 or 16 bytes of an IPv4 or IPv6 address ("[::1]" and a zone "%3" allowed);
// nothing when it is a name.
std::optional<std::string> IpLiteralBytes(std::string_view host);

}  // namespace pw::win32
