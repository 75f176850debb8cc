#include "imap/ServerSecurity.h"

#include "common/Text.h"

namespace pw::imap {
namespace {

// A text typed into the registry by hand may carry tabs as well as blanks.
std::string_view TrimSetting(std::string_view s) { return Trim(s, " \t"); }

// The mode a "Sicherheit" text names; none for a text that names no mode.
std::optional<Security> ParseMode(std::string_view sicherheit) {
  std::string_view mode = TrimSetting(sicherheit);
  if (mode.empty() || EqualsNoCase(mode, "Keine")) return Security::None;
  if (EqualsNoCase(mode, "STARTTLS")) return Security::StartTls;
  if (EqualsNoCase(mode, "SSL/TLS")) return Security::Implicit;
  return std::nullopt;
}

}  // namespace

std::optional<Sha256> ParseFingerprint(std::string_view text) {
  Sha256 digest{};
  std::size_t n = 0;
  text = TrimSetting(text);
  for (std::size_t i = 0; i < text.size();) {
    if (n == digest.size()) return std::nullopt;
    if (i + 1 >= text.size()) return std::nullopt;
    int hi = HexDigitValue(text[i]);
    int lo = HexDigitValue(text[i + 1]);
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
  std::string text;
  for (unsigned char b : digest) {
    if (!text.empty()) text += ':';
    AppendHexByte(text, b);
  }
  return text;
}

int DefaultPort(std::string_view sicherheit) {
  return ParseMode(sicherheit) == Security::Implicit ? 993 : 143;
}

SecuritySettings ParseSecurity(std::string_view sicherheit, std::string_view zertifikat) {
  std::optional<Security> mode = ParseMode(sicherheit);
  if (!mode) {
    throw TlsError(kTlsBadSetting, ErrorDescription(kTlsBadSetting, TrimSetting(sicherheit)));
  }
  SecuritySettings settings;
  settings.mode = *mode;
  if (!TrimSetting(zertifikat).empty()) {
    settings.pin = ParseFingerprint(zertifikat);
    if (!settings.pin) {
      throw TlsError(kTlsBadSetting, kDescBadPin);
    }
    if (settings.mode == Security::None) {
      throw TlsError(kTlsBadSetting, kDescPinWithoutTls);
    }
  }
  return settings;
}

}  // namespace pw::imap
