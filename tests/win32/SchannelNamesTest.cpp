// What Schannel's verifier reads out of real certificates: the subjectAltName's DNS names and
// addresses and the subject's common names, in their order.
#include <gtest/gtest.h>

#include "support/TestCertificates.h"
#include "win32/SchannelVerifier.h"

namespace pw::win32 {
namespace {

UniqueCert FromPem(const char* pem) {
  BYTE der[2048];
  DWORD size = sizeof der;
  if (!CryptStringToBinaryA(pem, 0, CRYPT_STRING_BASE64HEADER, der, &size, nullptr, nullptr)) {
    return nullptr;
  }
  return UniqueCert(CertCreateCertificateContext(X509_ASN_ENCODING, der, size));
}

void ExpectNames(const char* pem, const CertificateNames& expected) {
  UniqueCert cert = FromPem(pem);
  ASSERT_TRUE(cert);
  const CertificateNames read = SchannelVerifier(std::move(cert)).Names();
  EXPECT_EQ(read.dnsNames, expected.dnsNames);
  EXPECT_EQ(read.addresses, expected.addresses);
  EXPECT_EQ(read.commonNames, expected.commonNames);
}

TEST(SchannelNames, ReadsTheNamesOfTheCertificate) {
  ExpectNames(test::kWildcard, test::WildcardNames());
  ExpectNames(test::kAddresses, test::AddressNames());
  ExpectNames(test::kCnonly, test::CnonlyNames());
  ExpectNames(test::kTwocn, test::TwocnNames());
}

}  // namespace
}  // namespace pw::win32
