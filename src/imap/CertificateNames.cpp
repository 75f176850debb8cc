#include "imap/CertificateNames.h"

#include <algorithm>
#include <cstddef>

#include "common/Text.h"

namespace pw::imap {
namespace {

std::string_view WithoutTrailingDot(std::string_view s) {
  if (!s.empty() && s.back() == '.') s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "192.0.2.7": four decimal parts of at most 255, no leading zeros (which some readers take for
// octal).
std::optional<std::string> Ipv4Bytes(std::string_view s) {
  std::string bytes;
  for (;;) {
    std::size_t digits = 0;
    int value = 0;
    while (digits < s.size() && IsDigit(s[digits]) && digits < 4) {
      value = value * 10 + (s[digits] - '0');
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && s[0] == '0')) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<char>(value));
    s.remove_prefix(digits);
    if (bytes.size() == 4) {
      if (!s.empty()) return std::nullopt;
      return bytes;
    }
    if (s.empty() || s[0] != '.') return std::nullopt;
    s.remove_prefix(1);
  }
}

// RFC 4291, 2.2: eight groups of one to four hex digits, one "::" for a run of zero groups
// (at least one), the last two groups optionally as an IPv4 address.
std::optional<std::string> Ipv6Bytes(std::string_view s) {
  std::string bytes;
  std::optional<std::size_t> gap;  // where "::" stands, in bytes
  if (s.substr(0, 2) == "::") {
    gap = 0;
    s.remove_prefix(2);
  } else if (!s.empty() && s[0] == ':') {
    return std::nullopt;
  }
  while (!s.empty()) {
    std::size_t digits = 0;
    int value = 0;
    while (digits < s.size() && digits < 5 && HexDigitValue(s[digits]) >= 0) {
      value = value * 16 + HexDigitValue(s[digits]);
      ++digits;
    }
    if (digits < s.size() && s[digits] == '.') {
      std::optional<std::string> v4 = Ipv4Bytes(s);
      if (!v4 || bytes.size() > 12) return std::nullopt;
      bytes += *v4;
      break;
    }
    if (digits == 0 || digits > 4 || bytes.size() > 14) return std::nullopt;
    bytes.push_back(static_cast<char>(value >> 8));
    bytes.push_back(static_cast<char>(value & 0xFF));
    s.remove_prefix(digits);
    if (s.empty()) break;
    if (s[0] != ':') return std::nullopt;
    s.remove_prefix(1);
    if (s.empty()) return std::nullopt;  // a single colon at the end
    if (s[0] == ':') {
      if (gap) return std::nullopt;
      gap = bytes.size();
      s.remove_prefix(1);
    }
  }
  if (gap) {
    if (bytes.size() == 16) return std::nullopt;
    bytes.insert(*gap, 16 - bytes.size(), '\0');
  }
  if (bytes.size() != 16) return std::nullopt;
  return bytes;
}

}  // namespace

bool CertNameMatches(std::string_view pattern, std::string_view host) {
  // DNS names compare without regard to the case of ASCII letters.
  std::string p = AsciiUpperCase(WithoutTrailingDot(pattern));
  std::string h = AsciiUpperCase(WithoutTrailingDot(host));
  if (p.empty() || h.empty()) return false;
  if (p.compare(0, 2, "*.") != 0) return p == h;
  // "*.example.org": the rest must itself hold a dot, so "*.org" covers nothing.
  std::string_view rest = std::string_view(p).substr(1);
  if (rest.find('.', 1) == std::string_view::npos || rest.find('*') != std::string_view::npos) {
    return false;
  }
  std::size_t dot = h.find('.');
  if (dot == 0 || dot == std::string::npos) return false;
  return std::string_view(h).substr(dot) == rest;
}

bool CertificateMatchesHost(const CertificateNames& names, std::string_view host) {
  const auto covers = [host](const std::string& name) { return CertNameMatches(name, host); };
  if (std::optional<std::string> ip = IpLiteralBytes(host)) {
    return std::find(names.addresses.begin(), names.addresses.end(), *ip) != names.addresses.end();
  }
  if (!names.dnsNames.empty()) {
    return std::any_of(names.dnsNames.begin(), names.dnsNames.end(), covers);
  }
  // Of several common names the last, the most specific one.
  return !names.commonNames.empty() && covers(names.commonNames.back());
}

std::optional<std::string> IpLiteralBytes(std::string_view host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  if (std::optional<std::string> v4 = Ipv4Bytes(host)) return v4;
  if (std::size_t zone = host.find('%'); zone != std::string_view::npos) {
    host = host.substr(0, zone);
  }
  return Ipv6Bytes(host);
}

}  // namespace pw::imap
