// The host-name rules of the Schannel engine: the name comparison itself, address literals,
// and certificates decoded by CryptoAPI (wildcards, IPv4/IPv6 entries, the common name).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/win32/SchannelTls.h"

namespace pw::win32 {
namespace {

// Self-signed test certificates (openssl req -x509, P-256), only their names matter here.
// subjectAltName DNS:*.example.org, DNS:mail.example.net; CN=ignored.example.com
constexpr char kWildcard[] =
    "-----BEGIN CERTIFICATE-----\n"
    "MIIBwDCCAWWgAwIBAgIULkbUVuiz7Rt3gSZ0+0RiCzXVMfowCgYIKoZIzj0EAwIw\n"
    "HjEcMBoGA1UEAwwTaWdub3JlZC5leGFtcGxlLmNvbTAgFw0yNjEyMDgxODUxMDFa\n"
    "GA8yMTI2MTExNDE4NTEwMVowHjEcMBoGA1UEAwwTaWdub3JlZC5leGFtcGxlLmNv\n"
    "bTBZMBMGByqGSM49AgEGCCqGSM49AwEHA0IABDQN2tc3o4kD/PMtqlr+Cg5Znkh4\n"
    "m5lrnp2uF2nQ8W0rsK5ClYZpDYvtyn/b/eiNxi/VTD5/CZLEOzWPGJxOf+WjfzB9\n"
    "MB0GA1UdDgQWBBSZeNlAolKCEx4EPSk461GOGq5n+TAfBgNVHSMEGDAWgBSZeNlA\n"
    "olKCEx4EPSk461GOGq5n+TAPBgNVHRMBAf8EBTADAQH/MCoGA1UdEQQjMCGCDSou\n"
    "ZXhhbXBsZS5vcmeCEG1haWwuZXhhbXBsZS5uZXQwCgYIKoZIzj0EAwIDSQAwRgIh\n"
    "AMB7scoOgjQiiT277jSTRqbC7Dp01szQnMeSJFYOS3tZAiEAqhqky+JAQ32gORCG\n"
    "QI55kXyXhhGi7/lfYADU/Dbpqb4=\n"
    "-----END CERTIFICATE-----\n";

// subjectAltName IP:::1, IP:2001:db8::5, IP:192.0.2.7; CN=cn.example.org
constexpr char kAddresses[] =
    "-----BEGIN CERTIFICATE-----\n"
    "MIIBwDCCAWagAwIBAgIUJLXGETBdcAq1Xakan+++PUvr2HswCgYIKoZIzj0EAwIw\n"
    "GTEXMBUGA1UEAwwOY24uZXhhbXBsZS5vcmcwIBcNMjYxMjA4MTg1MTAxWhgPMjEy\n"
    "NjExMTQxODUxMDFaMBkxFzAVBgNVBAMMDmNuLmV4YW1wbGUub3JnMFkwEwYHKoZI\n"
    "zj0CAQYIKoZIzj0DAQcDQgAENA3a1zejiQP88y2qWv4KDlmeSHibmWuena4XadDx\n"
    "bSuwrkKVhmkNi+3Kf9v96I3GL9VMPn8JksQ7NY8YnE5/5aOBiTCBhjAdBgNVHQ4E\n"
    "FgQUmXjZQKJSghMeBD0pOOtRjhquZ/kwHwYDVR0jBBgwFoAUmXjZQKJSghMeBD0p\n"
    "OOtRjhquZ/kwDwYDVR0TAQH/BAUwAwEB/zAzBgNVHREELDAqhxAAAAAAAAAAAAAA\n"
    "AAAAAAABhxAgAQ24AAAAAAAAAAAAAAAFhwTAAAIHMAoGCCqGSM49BAMCA0gAMEUC\n"
    "IQDVjNN5nKpTA4z7e0LkhlnWJNWnL6aO68P+sD51fjVdFAIgfMXy6JBKVPEVZe81\n"
    "IZ8twivIFRvwtFKWtoEwr2iA8GQ=\n"
    "-----END CERTIFICATE-----\n";

// No extensions; O=Test, CN=Mail.Example.Org
constexpr char kCnonly[] =
    "-----BEGIN CERTIFICATE-----\n"
    "MIIBUDCB9wIUfY55m13u2G4YtmYZZXYXPeM9lSIwCgYIKoZIzj0EAwIwKjENMAsG\n"
    "A1UECgwEVGVzdDEZMBcGA1UEAwwQTWFpbC5FeGFtcGxlLk9yZzAgFw0yNjEyMDgx\n"
    "ODUxMDFaGA8yMTI2MTExNDE4NTEwMVowKjENMAsGA1UECgwEVGVzdDEZMBcGA1UE\n"
    "AwwQTWFpbC5FeGFtcGxlLk9yZzBZMBMGByqGSM49AgEGCCqGSM49AwEHA0IABDQN\n"
    "2tc3o4kD/PMtqlr+Cg5Znkh4m5lrnp2uF2nQ8W0rsK5ClYZpDYvtyn/b/eiNxi/V\n"
    "TD5/CZLEOzWPGJxOf+UwCgYIKoZIzj0EAwIDSAAwRQIhAMzZy0I1i4y/wibCuM80\n"
    "Wvdw9o7dz7lwclbXBgv+hqyaAiBQioQ1eQwCihweKBQ4FlJt1w5E3p+UAdIvnnp/\n"
    "Y6j/+Q==\n"
    "-----END CERTIFICATE-----\n";

// No extensions; CN=first.example.org, CN=last.example.org
constexpr char kTwocn[] =
    "-----BEGIN CERTIFICATE-----\n"
    "MIIBazCCARECFAs0EjUTsTaXVpTQJiEwNX0OUcgRMAoGCCqGSM49BAMCMDcxGjAY\n"
    "BgNVBAMMEWZpcnN0LmV4YW1wbGUub3JnMRkwFwYDVQQDDBBsYXN0LmV4YW1wbGUu\n"
    "b3JnMCAXDTI2MTIwODE4NTEwMVoYDzIxMjYxMTE0MTg1MTAxWjA3MRowGAYDVQQD\n"
    "DBFmaXJzdC5leGFtcGxlLm9yZzEZMBcGA1UEAwwQbGFzdC5leGFtcGxlLm9yZzBZ\n"
    "MBMGByqGSM49AgEGCCqGSM49AwEHA0IABDQN2tc3o4kD/PMtqlr+Cg5Znkh4m5lr\n"
    "np2uF2nQ8W0rsK5ClYZpDYvtyn/b/eiNxi/VTD5/CZLEOzWPGJxOf+UwCgYIKoZI\n"
    "zj0EAwIDSAAwRQIgd91O6lRzLr4JOWz//FOTeXXHsl8qXrML5TgFgag+oKUCIQCg\n"
    "b76soRLL6oFBP1mtxkPR6ti8ysvcmvdamAA/wQWBGg==\n"
    "-----END CERTIFICATE-----\n";

struct CertFree {
  void operator()(const CERT_CONTEXT* c) const { CertFreeCertificateContext(c); }
};
using Cert = std::unique_ptr<const CERT_CONTEXT, CertFree>;

Cert FromPem(const char* pem) {
  BYTE der[2048];
  DWORD size = sizeof der;
  if (!CryptStringToBinaryA(pem, 0, CRYPT_STRING_BASE64HEADER, der, &size, nullptr, nullptr)) {
    return nullptr;
  }
  return Cert(CertCreateCertificateContext(X509_ASN_ENCODING, der, size));
}

TEST(SchannelNames, NamesCompareWithoutCaseAndTrailingDot) {
  EXPECT_TRUE(CertNameMatches("mail.example.org", "mail.example.org"));
  EXPECT_TRUE(CertNameMatches("Mail.Example.ORG", "mail.example.org"));
  EXPECT_TRUE(CertNameMatches("mail.example.org", "MAIL.EXAMPLE.ORG."));
  EXPECT_TRUE(CertNameMatches("mail.example.org.", "mail.example.org"));
  EXPECT_FALSE(CertNameMatches("mail.example.org", "mail.example.org.evil"));
  EXPECT_FALSE(CertNameMatches("mail.example.org", "xmail.example.org"));
  EXPECT_FALSE(CertNameMatches("", ""));
  EXPECT_FALSE(CertNameMatches("mail.example.org", ""));
  // Only ASCII letters fold; other bytes must be equal.
  EXPECT_FALSE(CertNameMatches("m\xC3\xA4il.example.org", "m\xC3\x84il.example.org"));
}

TEST(SchannelNames, WildcardStandsForExactlyOneLeftMostLabel) {
  EXPECT_TRUE(CertNameMatches("*.example.org", "mail.example.org"));
  EXPECT_TRUE(CertNameMatches("*.Example.org", "IMAP.example.ORG"));
  EXPECT_FALSE(CertNameMatches("*.example.org", "example.org"));
  EXPECT_FALSE(CertNameMatches("*.example.org", "a.mail.example.org"));
  EXPECT_FALSE(CertNameMatches("*.example.org", ".example.org"));
  // Not across a public suffix, not inside a label, not further right.
  EXPECT_FALSE(CertNameMatches("*.org", "example.org"));
  EXPECT_FALSE(CertNameMatches("*", "localhost"));
  EXPECT_FALSE(CertNameMatches("m*.example.org", "mail.example.org"));
  EXPECT_FALSE(CertNameMatches("*mail.example.org", "mail.example.org"));
  EXPECT_FALSE(CertNameMatches("mail.*.org", "mail.example.org"));
  EXPECT_FALSE(CertNameMatches("*.*.org", "mail.example.org"));
  // A wildcard in the host is only a character.
  EXPECT_FALSE(CertNameMatches("mail.example.org", "*.example.org"));
}

TEST(SchannelNames, AddressLiteralsBecomeTheirBytes) {
  EXPECT_EQ(IpLiteralBytes("127.0.0.2"), std::string("\x7f\x00\x00\x02", 4));
  EXPECT_EQ(IpLiteralBytes("::1"), std::string(15, '\0') + '\x01');
  EXPECT_EQ(IpLiteralBytes("[::1]"), IpLiteralBytes("::1"));
  EXPECT_EQ(IpLiteralBytes("fe80::1%3"), IpLiteralBytes("fe80::1"));
  EXPECT_EQ(IpLiteralBytes("2001:DB8::5")->size(), 16u);
  EXPECT_EQ(IpLiteralBytes("localhost"), std::nullopt);
  EXPECT_EQ(IpLiteralBytes("mail.example.org"), std::nullopt);
  EXPECT_EQ(IpLiteralBytes("256.0.0.1"), std::nullopt);
  EXPECT_EQ(IpLiteralBytes("1.2.3"), std::nullopt);
  EXPECT_EQ(IpLiteralBytes(""), std::nullopt);
  EXPECT_EQ(IpLiteralBytes("[127.0.0.1"), std::nullopt);
}

TEST(SchannelNames, DnsNamesOfTheSubjectAltNameRuleOutTheCommonName) {
  Cert c = FromPem(kWildcard);
  ASSERT_TRUE(c);
  EXPECT_TRUE(CertificateMatchesHost(*c, "imap.example.org"));
  EXPECT_TRUE(CertificateMatchesHost(*c, "MAIL.example.net"));
  EXPECT_FALSE(CertificateMatchesHost(*c, "example.org"));
  EXPECT_FALSE(CertificateMatchesHost(*c, "imap.example.net"));
  EXPECT_FALSE(CertificateMatchesHost(*c, "ignored.example.com"));
  EXPECT_FALSE(CertificateMatchesHost(*c, "127.0.0.1"));
}

TEST(SchannelNames, AddressesMatchOnlyTheSubjectAltNameAddresses) {
  Cert c = FromPem(kAddresses);
  ASSERT_TRUE(c);
  EXPECT_TRUE(CertificateMatchesHost(*c, "::1"));
  EXPECT_TRUE(CertificateMatchesHost(*c, "[::1]"));
  EXPECT_TRUE(CertificateMatchesHost(*c, "2001:db8:0:0::5"));
  EXPECT_TRUE(CertificateMatchesHost(*c, "192.0.2.7"));
  EXPECT_FALSE(CertificateMatchesHost(*c, "192.0.2.8"));
  EXPECT_FALSE(CertificateMatchesHost(*c, "2001:db8::6"));
  // IPv4 192.0.2.7 is not the IPv6 address that maps it.
  EXPECT_FALSE(CertificateMatchesHost(*c, "::ffff:192.0.2.7"));
  // Without DNS names the common name serves for names.
  EXPECT_TRUE(CertificateMatchesHost(*c, "cn.example.org"));
}

TEST(SchannelNames, CommonNameServesACertificateWithoutSubjectAltName) {
  Cert one = FromPem(kCnonly);
  ASSERT_TRUE(one);
  EXPECT_TRUE(CertificateMatchesHost(*one, "mail.example.org"));
  EXPECT_FALSE(CertificateMatchesHost(*one, "Test"));
  EXPECT_FALSE(CertificateMatchesHost(*one, "127.0.0.1"));

  Cert two = FromPem(kTwocn);
  ASSERT_TRUE(two);
  EXPECT_TRUE(CertificateMatchesHost(*two, "last.example.org"));
  EXPECT_FALSE(CertificateMatchesHost(*two, "first.example.org"));
}

}  // namespace
}  // namespace pw::win32
