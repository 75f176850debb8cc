// The judgement of the certificate a Schannel handshake brought: the system's chain policy and
// the names read out of the certificate, for the portable rules to match against the host.
#pragma once

#include <memory>
#include <string>

#include "platform/Tls.h"
#include "win32/Win32.h"

// After <windows.h>, which it needs.
// clang-format off
#include <wincrypt.h>
// clang-format on

namespace pw::win32 {

// A system code as the error texts show it: "0x800B0109".
std::string HexCode(unsigned long code);

struct CertFree {
  void operator()(const CERT_CONTEXT* p) const { CertFreeCertificateContext(p); }
};
using UniqueCert = std::unique_ptr<const CERT_CONTEXT, CertFree>;

class SchannelVerifier {
 public:
  // The server's own certificate (not null); its store holds the intermediates the server sent.
  explicit SchannelVerifier(UniqueCert leaf);

  // Empty when the chain reaches a root the system trusts and every certificate is valid for a
  // server now; otherwise the reason in the user's words. The host name plays no part.
  std::string ChainProblem() const;
  // The subjectAltName's DNS names and addresses and the subject's common names.
  CertificateNames Names() const;

 private:
  UniqueCert leaf_;
};

}  // namespace pw::win32
