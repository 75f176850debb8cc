#ifndef _WIN32
#include <cstdlib>

#include "TestTrust.h"

namespace pw::test {

bool TrustTestRoot(const std::string& caPemPath) {
  return setenv("SSL_CERT_FILE", caPemPath.c_str(), 1) == 0;
}

void ForgetTestRoot() { unsetenv("SSL_CERT_FILE"); }

}  // namespace pw::test
#endif
