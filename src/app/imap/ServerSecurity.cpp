#include "app/imap/ServerSecurity.h"

namespace pw::imap {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<Sha256> ParseFingerprint(std::string_view text) {
  Sha256 digest{};
  std::size_t n = 0;
  text = Trim(text);
  for (std::size_t i = 0; i < text.size();) {
    if (n == digest.size()) return std::nullopt;
    if (i + 1 >= text.size()) return std::nullopt;
    int hi = HexValue(text[i]);
    int lo = HexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    digest[n++] = static_cast<unsigned char>(hi * 16 + lo);
    i += 2;
    if (i < text.size() && (text[i] == ':' || text[i] == ' ')) {
      ++i;
      if (i == text.size()) return std::nullopt;  // a separator must stand between two pairs
    }
  }
  if (n != digest.size()) return std::nullopt;
  return digest;
}

std::string FormatFingerprint(const Sha256& digest) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char b : digest) {
    if (!text.empty()) text += ':';
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  return text;
}

int DefaultPort(std::string_view sicherheit) {
  return SameText(Trim(sicherheit), "SSL/TLS") ? 993 : 143;
}

SecuritySettings ParseSecurity(std::string_view sicherheit, std::string_view zertifikat) {
  SecuritySettings settings;
  std::string_view mode = Trim(sicherheit);
  if (mode.empty() || SameText(mode, "Keine")) {
    settings.mode = Security::None;
  } else if (SameText(mode, "STARTTLS")) {
    settings.mode = Security::StartTls;
  } else if (SameText(mode, "SSL/TLS")) {
    settings.mode = Security::Implicit;
  } else {
    throw TlsError(kTlsBadSetting, "Die Einstellung Sicherheit \"" + std::string(mode) +
                                       "\" ist ungültig (erlaubt: Keine, STARTTLS, SSL/TLS).");
  }
  if (!Trim(zertifikat).empty()) {
    settings.pin = ParseFingerprint(zertifikat);
    if (!settings.pin) {
      throw TlsError(kTlsBadSetting,
                     "Die Einstellung Zertifikat-SHA256 ist kein SHA-256-Fingerabdruck "
                     "(64 Hexadezimalziffern).");
    }
    if (settings.mode == Security::None) {
      throw TlsError(kTlsBadSetting,
                     "Ein Zertifikat ist eingetragen, aber die Einstellung Sicherheit ist "
                     "\"Keine\": Die Anmeldung würde unverschlüsselt erfolgen.");
    }
  }
  return settings;
}

}  // namespace pw::imap
