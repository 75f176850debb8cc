// The address literals the certificate rules read, against the system's own inet_pton: glibc's
// natively, Winsock's under Wine.
#ifdef _WIN32
#include "win32/Win32.h"
#else
#include <arpa/inet.h>
#endif
#include <gtest/gtest.h>

#include "support/AddressLiterals.h"

namespace pw {
namespace {

TEST(AddressLiterals, ReadAsTheSystemReadsThem) {
  test::ExpectAddressLiteralsReadAsTheSystemReadsThem([](const char* text) {
    unsigned char bytes[16];
    std::optional<std::string> result;
    if (inet_pton(AF_INET, text, bytes) == 1) result.emplace(reinterpret_cast<char*>(bytes), 4);
    if (inet_pton(AF_INET6, text, bytes) == 1) result.emplace(reinterpret_cast<char*>(bytes), 16);
    return result;
  });
}

}  // namespace
}  // namespace pw
