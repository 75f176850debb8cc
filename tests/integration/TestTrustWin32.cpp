#ifdef _WIN32
#include <fstream>
#include <sstream>
#include <string>

#include "TestTrust.h"
#include "win32/Win32.h"

// After <windows.h>, which it needs.
// clang-format off
#include <wincrypt.h>
// clang-format on

namespace pw::test {
namespace {

// The DER of the CA that TrustTestRoot added, to take exactly that one out again.
std::string& AddedRoot() {
  static std::string der;
  return der;
}

HCERTSTORE OpenUserRoot() {
  return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"ROOT");
}

std::string PemToDer(const std::string& pem) {
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            nullptr, &size, nullptr, nullptr)) {
    return {};
  }
  std::string der(size, '\0');
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            reinterpret_cast<BYTE*>(der.data()), &size, nullptr, nullptr)) {
    return {};
  }
  der.resize(size);
  return der;
}

}  // namespace

bool TrustTestRoot(const std::string& caPemPath) {
  std::ifstream file(caPemPath, std::ios::binary);
  std::ostringstream pem;
  pem << file.rdbuf();
  std::string der = PemToDer(pem.str());
  if (der.empty()) return false;
  HCERTSTORE store = OpenUserRoot();
  if (store == nullptr) return false;
  // Windows asks the user before it adds to this store; Wine does not.
  BOOL added = CertAddEncodedCertificateToStore(
      store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
      static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  if (added) AddedRoot() = der;
  return added != FALSE;
}

void ForgetTestRoot() {
  std::string& der = AddedRoot();
  if (der.empty()) return;
  PCCERT_CONTEXT wanted = CertCreateCertificateContext(
      X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()));
  if (wanted != nullptr) {
    // Wine (8) reports a deletion from the user's ROOT system store as done but keeps the
    // certificate; through the registry store below it the deletion sticks.
    for (HCERTSTORE store : {CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                           CERT_SYSTEM_STORE_CURRENT_USER, L"ROOT"),
                             OpenUserRoot()}) {
      if (store == nullptr) continue;
      // Deleting frees the context it is given. A few rounds, for copies in several of the
      // stores behind the system store, but no endless one where a deletion does not stick.
      for (int round = 0; round < 4; ++round) {
        PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                          CERT_FIND_EXISTING, wanted, nullptr);
        if (found == nullptr || !CertDeleteCertificateFromStore(found)) break;
      }
      CertCloseStore(store, 0);
    }
    CertFreeCertificateContext(wanted);
  }
  der.clear();
}

}  // namespace pw::test
#endif
