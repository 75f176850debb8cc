// The password walk through the real registry and DPAPI: a rolled-out "PW" is protected after its
// sign-in, read back by the next start, and a blob that is not the user's counts as wrong.
#include <gtest/gtest.h>

#include <memory>

#include "accounts/AccountStore.h"
#include "accounts/Passwort.h"
#include "common/AppError.h"
#include "common/Base64.h"
#include "common/ErrorCatalog.h"
#include "registry/SettingsStore.h"
#include "win32/Win32Registry.h"

namespace pw::win32 {
namespace {

TEST(PasswordProtection, RolledOutPasswordIsProtectedAfterSignInAndReadByTheNextStart) {
  Win32Registry registry;
  SettingsStore settings(registry);
  std::unique_ptr<Crypto> crypto = MakeSystemCrypto();
  const std::string name = "PwTestDpapi";
  {
    AccountStore rollOut(settings);
    rollOut.Write(name, "NT-USER", "anna");
    rollOut.Write(name, "PW", Passwort::Umwandeln("Geheim 1ä"));
  }
  AccountStore first(settings, crypto.get());
  const std::string password = first.PasswordForSignIn(name);
  EXPECT_EQ(password, "Geheim 1ä");
  first.SignedIn(name, password);
  EXPECT_EQ(first.Read(name, "PW", "<absent>"), "<absent>");
  const std::string stored = first.Read(name, "PW-DPAPI", "");
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(Base64Decode(stored).value_or("").find("Geheim"), std::string::npos);

  AccountStore next(settings, crypto.get());
  EXPECT_EQ(next.PasswordForSignIn(name), "Geheim 1ä");

  next.Write(name, "PW-DPAPI", Base64Encode("kein DPAPI-Blob"));
  try {
    next.PasswordForSignIn(name);
    ADD_FAILURE() << "a foreign blob signed in";
  } catch (const AppError& e) {
    EXPECT_EQ(e.Number(), kImapErrorLoginRefused);
  }
  next.Remove(name);
}

}  // namespace
}  // namespace pw::win32
