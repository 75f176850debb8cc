// How the connection to the mail server is secured: the settings "Sicherheit" and
// "Zertifikat-SHA256" of the section "Server", read into what the IMAP client needs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Tls.h"

namespace pw::imap {

enum class Security {
  None,      // "Keine": plain IMAP, what installations without the setting do
  StartTls,  // "STARTTLS": plain connect, then TLS before anything else is sent
  Implicit,  // "SSL/TLS": TLS from the first byte (port 993)
};

struct SecuritySettings {
  Security mode = Security::None;
  // The one certificate the server must present, instead of a chain to a trusted root.
  std::optional<Sha256> pin;
};

// The texts as the settings store holds them; case and surrounding blanks do not matter, an
// empty "Sicherheit" means "Keine". Anything else raises TlsError(kTlsBadSetting): an unknown
// mode, a fingerprint that is not 32 bytes of hex, or a fingerprint with "Keine" (the
// administrator evidently wants TLS, and the password must not go out in clear instead).
SecuritySettings ParseSecurity(std::string_view sicherheit, std::string_view zertifikat);

// 993 for "SSL/TLS", 143 otherwise.
int DefaultPort(std::string_view sicherheit);

// 64 hex digits, optionally in pairs separated by ':' or blanks ("AB:CD:…", "abcd…").
std::optional<Sha256> ParseFingerprint(std::string_view text);
// "AB:CD:…", as openssl and the Windows certificate dialog show it.
std::string FormatFingerprint(const Sha256& digest);

}  // namespace pw::imap
