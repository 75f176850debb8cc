// Certificates whose names the engines' readers are tested on, with the names each holds.
#pragma once

#include <string>

#include "platform/Tls.h"

namespace pw::test {

// Self-signed test certificates (openssl req -x509, P-256), only their names matter here.
// subjectAltName DNS:*.example.org, DNS:mail.example.net; CN=ignored.example.com
inline constexpr char kWildcard[] =
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
inline constexpr char kAddresses[] =
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
inline constexpr char kCnonly[] =
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
inline constexpr char kTwocn[] =
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

// The names each of them holds, in their order.
inline CertificateNames WildcardNames() {
  return {{"*.example.org", "mail.example.net"}, {}, {"ignored.example.com"}};
}
inline CertificateNames AddressNames() {
  return {{},
          {std::string(15, '\0') + '\x01',
           std::string("\x20\x01\x0d\xb8", 4) + std::string(11, '\0') + '\x05',
           std::string("\xc0\x00\x02\x07", 4)},
          {"cn.example.org"}};
}
inline CertificateNames CnonlyNames() { return {{}, {}, {"Mail.Example.Org"}}; }
inline CertificateNames TwocnNames() { return {{}, {}, {"first.example.org", "last.example.org"}}; }

}  // namespace pw::test
