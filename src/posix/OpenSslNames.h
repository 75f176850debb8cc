// The names of a certificate as OpenSSL reads them; which of them count is for
// imap/CertificateNames to say.
#pragma once

#include <openssl/x509.h>

#include "platform/Tls.h"

namespace pw {

// The subjectAltName's DNS names and addresses and the subject's common names of cert.
CertificateNames CertificateNamesOf(X509* cert);

}  // namespace pw
