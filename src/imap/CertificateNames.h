// Whether a server's certificate is issued for the host the settings name: the one set of rules
// every TLS engine's certificate is judged by.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Tls.h"

namespace pw::imap {

// Whether a DNS name from a certificate (subjectAltName or common name) covers host: compared
// without regard to ASCII case and a trailing dot; "*" only as the whole left-most label of a
// name with at least two labels after it, standing for exactly one label (RFC 6125, 6.4.3).
// Names are compared as written: an internationalized name matches only in the same form
// (punycode against punycode).
bool CertNameMatches(std::string_view pattern, std::string_view host);

// Whether names cover host: an address against the subjectAltName's IP addresses only, a name
// against its DNS names, or against the last common name when there are no DNS names
// (RFC 6125, 6.4.4).
bool CertificateMatchesHost(const CertificateNames& names, std::string_view host);

// host as the 4 or 16 bytes of an IPv4 or IPv6 address ("[::1]" and a zone "%3" allowed);
// nothing when it is a name. IPv4 only as four decimal parts without leading zeros.
std::optional<std::string> IpLiteralBytes(std::string_view host);

}  // namespace pw::imap
