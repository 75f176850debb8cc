// Random bytes (BCryptGenRandom), SHA-256 (CryptoAPI) and the protection of the refresh token
// for the current user with DPAPI (CryptProtectData).
#include <memory>

#include "common/AppError.h"
#include "common/ErrorCatalog.h"
#include "platform/Crypto.h"
#include "win32/Win32.h"

// After windows.h: bcrypt.h and dpapi.h need its types.
#include <bcrypt.h>
#include <dpapi.h>
#include <wincrypt.h>

namespace pw::win32 {
namespace {

[[noreturn]] void Fail(unsigned long code) {
  throw AppError(kOAuthProtectFailed, "DPAPI",
                 ErrorDescription(kOAuthProtectFailed, std::to_string(code)));
}

// LocalFree for the blobs DPAPI hands out.
struct LocalBlob {
  DATA_BLOB blob{0, nullptr};
  ~LocalBlob() {
    if (blob.pbData) LocalFree(blob.pbData);
  }
};

class Win32Crypto : public Crypto {
 public:
  std::string RandomBytes(std::size_t count) override {
    std::string out(count, '\0');
    const NTSTATUS status =
        BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(out.data()), static_cast<ULONG>(count),
                        BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (status < 0) Fail(static_cast<unsigned long>(status));
    return out;
  }

  std::string Sha256(const std::string& data) override {
    BYTE digest[32];
    DWORD size = sizeof digest;
    if (!CryptHashCertificate2(L"SHA256", 0, nullptr, reinterpret_cast<const BYTE*>(data.data()),
                               static_cast<DWORD>(data.size()), digest, &size) ||
        size != sizeof digest) {
      Fail(GetLastError());
    }
    return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
  }

  // CRYPTPROTECT_UI_FORBIDDEN: no prompt may come up from a tray program.
  std::string Protect(const std::string& data) override {
    DATA_BLOB in{static_cast<DWORD>(data.size()),
                 reinterpret_cast<BYTE*>(const_cast<char*>(data.data()))};
    LocalBlob out;
    if (!CryptProtectData(&in, L"Postwacht OAuth2", nullptr, nullptr, nullptr,
                          CRYPTPROTECT_UI_FORBIDDEN, &out.blob)) {
      Fail(GetLastError());
    }
    return std::string(reinterpret_cast<const char*>(out.blob.pbData), out.blob.cbData);
  }

  std::string Unprotect(const std::string& blob) override {
    DATA_BLOB in{static_cast<DWORD>(blob.size()),
                 reinterpret_cast<BYTE*>(const_cast<char*>(blob.data()))};
    LocalBlob out;
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out.blob)) {
      Fail(GetLastError());
    }
    std::string plain(reinterpret_cast<const char*>(out.blob.pbData), out.blob.cbData);
    SecureZeroMemory(out.blob.pbData, out.blob.cbData);
    return plain;
  }
};

}  // namespace
}  // namespace pw::win32

namespace pw {

std::unique_ptr<Crypto> MakeSystemCrypto() { return std::make_unique<win32::Win32Crypto>(); }

}  // namespace pw
