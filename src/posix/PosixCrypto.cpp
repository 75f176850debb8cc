// Random bytes and SHA-256 from OpenSSL. Linux has no per-user protection like DPAPI, and the
// native build is no product: Protect refuses, so no token is ever stored in clear.
#include <openssl/rand.h>
#include <openssl/sha.h>

#include "common/AppError.h"
#include "common/ErrorCatalog.h"
#include "platform/Crypto.h"

namespace pw {
namespace {

class OpenSslCrypto : public Crypto {
 public:
  std::string RandomBytes(std::size_t count) override {
    std::string out(count, '\0');
    if (count > 0 &&
        RAND_bytes(reinterpret_cast<unsigned char*>(out.data()), static_cast<int>(count)) != 1) {
      throw AppError(kOAuthProtectFailed, "Crypto", ErrorDescription(kOAuthProtectFailed, "RAND"));
    }
    return out;
  }
  std::string Sha256(const std::string& data) override {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest);
    return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
  }
  std::string Protect(const std::string&) override {
    throw AppError(kOAuthProtectFailed, "Crypto", ErrorDescription(kOAuthProtectFailed, "-"));
  }
  std::string Unprotect(const std::string&) override {
    throw AppError(kOAuthProtectFailed, "Crypto", ErrorDescription(kOAuthProtectFailed, "-"));
  }
};

}  // namespace

std::unique_ptr<Crypto> MakeSystemCrypto() { return std::make_unique<OpenSslCrypto>(); }

}  // namespace pw
