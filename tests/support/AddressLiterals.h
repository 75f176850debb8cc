// Host texts that are or nearly are address literals, for checking that imap::IpLiteralBytes
// reads them as the system's own inet_pton does.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "imap/CertificateNames.h"

namespace pw::test {

// systemBytes(text): the 4 or 16 bytes the system reads from text, or nothing. Zones and
// brackets are ours alone and stay out; so do IPv4 parts with leading zeros inside an IPv6
// address, which glibc refuses and Wine reads.
template <typename SystemBytes>
void ExpectAddressLiteralsReadAsTheSystemReadsThem(SystemBytes systemBytes) {
  for (const char* text : {"1.2.3.4",
                           "0.0.0.0",
                           "255.255.255.255",
                           "01.2.3.4",
                           "1.2.3.04",
                           "256.1.1.1",
                           "1.2.3",
                           "1.2.3.4.5",
                           " 1.2.3.4",
                           "1.2.3.4 ",
                           "0x1.2.3.4",
                           "1..2.3",
                           "1.2.3.",
                           "",
                           "::",
                           "::1",
                           "1::",
                           "1:2:3:4:5:6:7:8",
                           "1:2:3:4:5:6:7::",
                           "::2:3:4:5:6:7:8",
                           "1:2:3:4:5:6:7:8::",
                           "1::2::3",
                           ":1::",
                           "1::2:",
                           "1:2:3:4:5:6:1.2.3.4",
                           "::ffff:1.2.3.4",
                           "::1.2.3.4",
                           "1:2:3:4:5:6:7:1.2.3.4",
                           "12345::",
                           "0001:2::",
                           "00001::",
                           "g::",
                           "::1.2.3.4:5",
                           "1:::2",
                           ":::",
                           "fe80::1",
                           "FE80::ABCD",
                           "2001:db8::5",
                           "localhost",
                           "mail.example.org"}) {
    std::optional<std::string> system = systemBytes(text);
    EXPECT_EQ(imap::IpLiteralBytes(text), system) << text;
  }
}

}  // namespace pw::test
