// What the OpenSSL engine reads out of real certificates: the same names as Schannel's verifier
// reads from the same certificates.
#include <gtest/gtest.h>
#include <openssl/pem.h>

#include <memory>

#include "posix/OpenSslNames.h"
#include "support/TestCertificates.h"

namespace pw {
namespace {

struct X509Free {
  void operator()(X509* cert) const { X509_free(cert); }
};

void ExpectNames(const char* pem, const CertificateNames& expected) {
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem, -1), &BIO_free);
  ASSERT_TRUE(bio);
  std::unique_ptr<X509, X509Free> cert(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
  ASSERT_TRUE(cert);
  const CertificateNames read = CertificateNamesOf(cert.get());
  EXPECT_EQ(read.dnsNames, expected.dnsNames);
  EXPECT_EQ(read.addresses, expected.addresses);
  EXPECT_EQ(read.commonNames, expected.commonNames);
}

TEST(OpenSslNames, ReadsTheNamesOfTheCertificate) {
  ExpectNames(test::kWildcard, test::WildcardNames());
  ExpectNames(test::kAddresses, test::AddressNames());
  ExpectNames(test::kCnonly, test::CnonlyNames());
  ExpectNames(test::kTwocn, test::TwocnNames());
}

}  // namespace
}  // namespace pw
