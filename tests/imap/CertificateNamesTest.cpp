// The rules a server's certificate is matched to the configured host by: the name comparison,
// address literals, and which of a certificate's names count.
#include <gtest/gtest.h>

#include <string>

#include "imap/CertificateNames.h"
#include "support/TestCertificates.h"

namespace pw::imap {
namespace {

TEST(CertificateNames, NamesCompareWithoutCaseAndTrailingDot) {
  EXPECT_TRUE(CertNameMatches("mail.example.org", "mail.example.org"));
  EXPECT_TRUE(CertNameMatches("Mail.Example.ORG", "mail.example.org"));
  EXPECT_TRUE(CertNameMatches("mail.example.org", "MAIL.EXAMPLE.ORG."));
  EXPECT_TRUE(CertNameMatches("mail.example.org.", "mail.example.org"));
  EXPECT_FALSE(CertNameMatches("mail.example.org", "mail.example.org.evil"));
  EXPECT_FALSE(CertNameMatches("mail.example.org", "xmail.example.org"));
  EXPECT_FALSE(CertNameMatches("", ""));
  EXPECT_FALSE(CertNameMatches("mail.example.org", ""));
  EXPECT_FALSE(CertNameMatches(".", "."));
  // Only ASCII letters fold; other bytes must be equal, and no name is converted to punycode.
  EXPECT_FALSE(CertNameMatches("m\xC3\xA4il.example.org", "m\xC3\x84il.example.org"));
  EXPECT_FALSE(CertNameMatches("xn--mil-sna.example.org", "m\xC3\xA4il.example.org"));
  EXPECT_TRUE(CertNameMatches("XN--MIL-SNA.example.org", "xn--mil-sna.example.org"));
  // A name with a NUL inside is not the name before it.
  EXPECT_FALSE(CertNameMatches(std::string("mail.example.org\0.evil", 22), "mail.example.org"));
}

TEST(CertificateNames, WildcardStandsForExactlyOneLeftMostLabel) {
  EXPECT_TRUE(CertNameMatches("*.example.org", "mail.example.org"));
  EXPECT_TRUE(CertNameMatches("*.Example.org", "IMAP.example.ORG"));
  EXPECT_TRUE(CertNameMatches("*.example.org", "xn--mil-sna.example.org"));
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

TEST(CertificateNames, AddressLiteralsBecomeTheirBytes) {
  EXPECT_EQ(IpLiteralBytes("127.0.0.2"), std::string("\x7f\x00\x00\x02", 4));
  EXPECT_EQ(IpLiteralBytes("[127.0.0.1]"), std::string("\x7f\x00\x00\x01", 4));
  EXPECT_EQ(IpLiteralBytes("::1"), std::string(15, '\0') + '\x01');
  EXPECT_EQ(IpLiteralBytes("::"), std::string(16, '\0'));
  EXPECT_EQ(IpLiteralBytes("[::1]"), IpLiteralBytes("::1"));
  EXPECT_EQ(IpLiteralBytes("fe80::1%3"), IpLiteralBytes("fe80::1"));
  EXPECT_EQ(IpLiteralBytes("2001:DB8::5"),
            std::string("\x20\x01\x0d\xb8", 4) + std::string(11, '\0') + '\x05');
  EXPECT_EQ(IpLiteralBytes("1:2:3:4:5:6:7:8"), IpLiteralBytes("1:2:3:4:5:6:7:0008"));
  EXPECT_EQ(IpLiteralBytes("1::"), std::string("\x00\x01", 2) + std::string(14, '\0'));
  EXPECT_EQ(IpLiteralBytes("::ffff:192.0.2.7"),
            std::string(10, '\0') + "\xff\xff\xc0" + std::string("\x00\x02\x07", 3));
  EXPECT_EQ(IpLiteralBytes("1:2:3:4:5:6:1.2.3.4")->size(), 16u);
  for (const char* name : {"localhost",
                           "mail.example.org",
                           "256.0.0.1",
                           "1.2.3",
                           "1.2.3.4.5",
                           "01.2.3.4",
                           "1.2.3.4.",
                           " 1.2.3.4",
                           "",
                           "[127.0.0.1",
                           "[]",
                           ":",
                           ":::",
                           "1:::2",
                           "1::2::3",
                           ":1::",
                           "1::2:",
                           "12345::",
                           "1:2:3:4:5:6:7:8:9",
                           "1:2:3:4:5:6:7",
                           "1:2:3:4:5:6:7:8::",
                           "1:2:3:4:5:6:7:1.2.3.4",
                           "::1.2.3",
                           "::1.2.3.4:5",
                           "g::1",
                           "%3"}) {
    EXPECT_EQ(IpLiteralBytes(name), std::nullopt) << name;
  }
}

TEST(CertificateNames, DnsNamesOfTheSubjectAltNameRuleOutTheCommonName) {
  const CertificateNames names = test::WildcardNames();
  EXPECT_TRUE(CertificateMatchesHost(names, "imap.example.org"));
  EXPECT_TRUE(CertificateMatchesHost(names, "MAIL.example.net"));
  EXPECT_FALSE(CertificateMatchesHost(names, "example.org"));
  EXPECT_FALSE(CertificateMatchesHost(names, "imap.example.net"));
  EXPECT_FALSE(CertificateMatchesHost(names, "ignored.example.com"));
  EXPECT_FALSE(CertificateMatchesHost(names, "127.0.0.1"));
  EXPECT_FALSE(CertificateMatchesHost(names, ""));
  // An empty DNS name is still a DNS name.
  EXPECT_FALSE(CertificateMatchesHost({{""}, {}, {"cn.example.org"}}, "cn.example.org"));
}

TEST(CertificateNames, AddressesMatchOnlyTheSubjectAltNameAddresses) {
  const CertificateNames names = test::AddressNames();
  EXPECT_TRUE(CertificateMatchesHost(names, "::1"));
  EXPECT_TRUE(CertificateMatchesHost(names, "[::1]"));
  EXPECT_TRUE(CertificateMatchesHost(names, "2001:db8:0:0::5"));
  EXPECT_TRUE(CertificateMatchesHost(names, "192.0.2.7"));
  EXPECT_FALSE(CertificateMatchesHost(names, "192.0.2.8"));
  EXPECT_FALSE(CertificateMatchesHost(names, "2001:db8::6"));
  // IPv4 192.0.2.7 is not the IPv6 address that maps it.
  EXPECT_FALSE(CertificateMatchesHost(names, "::ffff:192.0.2.7"));
  // Without DNS names the common name serves for names, never for addresses.
  EXPECT_TRUE(CertificateMatchesHost(names, "cn.example.org"));
  EXPECT_FALSE(CertificateMatchesHost({{"192.0.2.7"}, {}, {"192.0.2.7"}}, "192.0.2.7"));
}

TEST(CertificateNames, CommonNameServesACertificateWithoutSubjectAltName) {
  const CertificateNames one = test::CnonlyNames();
  EXPECT_TRUE(CertificateMatchesHost(one, "mail.example.org"));
  EXPECT_FALSE(CertificateMatchesHost(one, "Test"));
  EXPECT_FALSE(CertificateMatchesHost(one, "127.0.0.1"));

  // Of several the last, the most specific one.
  const CertificateNames two = test::TwocnNames();
  EXPECT_TRUE(CertificateMatchesHost(two, "last.example.org"));
  EXPECT_FALSE(CertificateMatchesHost(two, "first.example.org"));

  EXPECT_FALSE(CertificateMatchesHost({}, "mail.example.org"));
}

}  // namespace
}  // namespace pw::imap
