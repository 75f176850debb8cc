// What the OAuth2 sign-in needs of the system's cryptography: random bytes, SHA-256, and the
// protection of a secret for the current user (DPAPI on Windows).
#pragma once

#include <memory>
#include <string>

namespace pw {

class Crypto {
 public:
  virtual ~Crypto() = default;
  // Bytes from the system's cryptographic random source.
  virtual std::string RandomBytes(std::size_t count) = 0;
  virtual std::string Sha256(const std::string& data) = 0;
  // Protects data so that only the current user on this machine can read it back; raises
  // AppError(kOAuthProtectFailed) when the system refuses.
  virtual std::string Protect(const std::string& data) = 0;
  // The data back; raises AppError(kOAuthProtectFailed) for a blob that is not ours.
  virtual std::string Unprotect(const std::string& blob) = 0;
};

std::unique_ptr<Crypto> MakeSystemCrypto();

}  // namespace pw
