// The URL reader: scheme, authority (userinfo, host, port) and the rest.
#include "common/Url.h"

#include "common/Text.h"

namespace pw {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Four decimal parts of 0-255, no empty ones, no other characters.
bool DottedIpv4(std::string_view s, unsigned char* first) {
  int parts = 0;
  while (true) {
    std::size_t n = 0;
    int value = 0;
    while (n < s.size() && IsDigit(s[n])) {
      value = value * 10 + (s[n] - '0');
      if (value > 255 || n >= 3) return false;
      ++n;
    }
    if (n == 0) return false;
    if (parts == 0 && first) *first = static_cast<unsigned char>(value);
    ++parts;
    s.remove_prefix(n);
    if (s.empty()) return parts == 4;
    if (s[0] != '.' || parts == 4) return false;
    s.remove_prefix(1);
  }
}

// The 16 bytes of an IPv6 literal (RFC 4291 2.2, an IPv4 tail included); false when broken.
bool Ipv6Bytes(std::string_view s, unsigned char out[16]) {
  unsigned short groups[8] = {};
  int count = 0;
  int gap = -1;
  if (s.substr(0, 2) == "::") {
    gap = 0;
    s.remove_prefix(2);
  }
  while (!s.empty()) {
    if (count == 8) return false;
    const std::size_t end = s.find(':');
    const std::string_view part = s.substr(0, end);
    if (part.find('.') != std::string_view::npos && end == std::string_view::npos) {
      if (count > 6) return false;
      unsigned char v4[4];
      std::string_view rest = part;
      for (int i = 0; i < 4; ++i) {
        const std::size_t dot = rest.find('.');
        const std::string_view piece = rest.substr(0, dot);
        int value = 0;
        if (piece.empty() || piece.size() > 3) return false;
        for (char c : piece) {
          if (!IsDigit(c)) return false;
          value = value * 10 + (c - '0');
        }
        if (value > 255 || (dot == std::string_view::npos) != (i == 3)) return false;
        v4[i] = static_cast<unsigned char>(value);
        rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
      }
      groups[count++] = static_cast<unsigned short>(v4[0] << 8 | v4[1]);
      groups[count++] = static_cast<unsigned short>(v4[2] << 8 | v4[3]);
      s = {};
      break;
    }
    if (part.empty() || part.size() > 4) return false;
    unsigned value = 0;
    for (char c : part) {
      const int d = HexDigitValue(c);
      if (d < 0) return false;
      value = value * 16 + static_cast<unsigned>(d);
    }
    groups[count++] = static_cast<unsigned short>(value);
    if (end == std::string_view::npos) {
      s = {};
    } else if (s.substr(end, 2) == "::") {
      if (gap >= 0) return false;
      gap = count;
      s.remove_prefix(end + 2);
    } else {
      s.remove_prefix(end + 1);
      if (s.empty()) return false;  // a trailing single ":"
    }
  }
  if (gap < 0 ? count != 8 : count > 7) return false;
  unsigned short full[8] = {};
  const int tail = gap < 0 ? 0 : count - gap;
  for (int i = 0; i < (gap < 0 ? count : gap); ++i) full[i] = groups[i];
  for (int i = 0; i < tail; ++i) full[8 - tail + i] = groups[gap + i];
  for (int i = 0; i < 8; ++i) {
    out[2 * i] = static_cast<unsigned char>(full[i] >> 8);
    out[2 * i + 1] = static_cast<unsigned char>(full[i] & 0xFF);
  }
  return true;
}

}  // namespace

std::optional<Url> ParseUrl(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F || c == '\\') return std::nullopt;
  }
  const std::size_t colon = text.find("://");
  if (colon == std::string_view::npos) return std::nullopt;
  Url url;
  url.scheme = Lower(text.substr(0, colon));
  if (url.scheme != "http" && url.scheme != "https") return std::nullopt;
  std::string_view rest = text.substr(colon + 3);
  // The authority ends at the first "/", "?" or "#" (RFC 3986 3.2): an "@" after it is the
  // path's, and before it the last "@" ends the userinfo.
  const std::size_t end = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, end);
  url.target = end == std::string_view::npos ? "/" : std::string(rest.substr(end));
  if (url.target[0] != '/') url.target.insert(0, "/");
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    url.userinfo = std::string(authority.substr(0, at));
    authority.remove_prefix(at + 1);
  }
  std::string_view portText;
  if (!authority.empty() && authority[0] == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    url.host = Lower(authority.substr(1, close - 1));
    url.ipv6 = true;
    unsigned char bytes[16];
    if (!Ipv6Bytes(url.host, bytes)) return std::nullopt;
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return std::nullopt;
      portText = after.substr(1);
      if (portText.empty()) return std::nullopt;
    }
  } else {
    const std::size_t portColon = authority.find(':');
    url.host = Lower(authority.substr(0, portColon));
    if (portColon != std::string_view::npos) {
      portText = authority.substr(portColon + 1);
      if (portText.empty()) return std::nullopt;
    }
    if (url.host.find_first_of("[]%") != std::string::npos) return std::nullopt;
  }
  if (url.host.empty()) return std::nullopt;
  url.port = url.scheme == "https" ? 443 : 80;
  if (!portText.empty()) {
    if (portText.size() > 5) return std::nullopt;
    int port = 0;
    for (char c : portText) {
      if (!IsDigit(c)) return std::nullopt;
      port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    url.port = port;
  }
  return url;
}

bool IsLoopbackHost(std::string_view hostText) {
  std::string host = Lower(hostText);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  if (host == "localhost" || host == "localhost.") return true;
  unsigned char first = 0;
  if (DottedIpv4(host, &first)) return first == 127;
  unsigned char b[16];
  if (host.find(':') == std::string::npos || !Ipv6Bytes(host, b)) return false;
  for (int i = 0; i < 10; ++i) {
    if (b[i] != 0) return false;
  }
  if (b[10] == 0 && b[11] == 0) {
    for (int i = 12; i < 15; ++i) {
      if (b[i] != 0) return false;
    }
    return b[15] == 1;  // ::1
  }
  return b[10] == 0xFF && b[11] == 0xFF && b[12] == 127;  // ::ffff:127.x.y.z
}

bool IsLoopbackUrl(std::string_view text) {
  const std::optional<Url> url = ParseUrl(text);
  return url && IsLoopbackHost(url->host);
}

}  // namespace pw
