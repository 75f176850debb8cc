// Makes the fixture's test CA trusted the way an office would: through the system's trust
// store, not through any switch of the program.
#pragma once

#include <string>

namespace pw::test {

// Linux: OpenSSL's SSL_CERT_FILE names the CA for this process. Windows: the CA goes into
// the current user's root store. False when the platform refuses.
bool TrustTestRoot(const std::string& caPemPath);
// Undoes TrustTestRoot.
void ForgetTestRoot();

}  // namespace pw::test
