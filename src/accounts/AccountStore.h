// The accounts under "Mail Postwacht\Benutzer": one key per display name, string values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/SettingsNames.h"
#include "platform/Crypto.h"
#include "registry/SettingsStore.h"

namespace pw {

inline constexpr char kAccountsKeyPath[] =
    "HKCU\\Software\\VB and VBA Program Settings\\Mail Postwacht\\Benutzer\\";

class AccountStore {
 public:
  // The crypto protects the passwords (DPAPI); without one they are stored scrambled.
  explicit AccountStore(SettingsStore& settings, Crypto* crypto = nullptr)
      : settings_(settings), crypto_(crypto) {}
  void UseCrypto(Crypto* crypto) { crypto_ = crypto; }

  // The value, or the default for an absent account or value.
  std::string Read(const std::string& name, const std::string& valueName,
                   const std::string& defaultValue);
  // Writes one value, creating the account's key; raises AppError on failure, and for a
  // display name that is empty or holds "\".
  void Write(const std::string& name, const std::string& valueName, const std::string& text);
  // The password, protected under "PW-DPAPI" or scrambled under "PW" (ProtectedPassword),
  // empty when there is none or it cannot be read; writing stores it protected and raises as
  // Write does.
  std::string ReadPassword(const std::string& name);
  void WritePassword(const std::string& name, const std::string& password);
  // The password to sign in with; a protected one that cannot be read raises
  // kImapErrorLoginRefused, as the server's refusal of a wrong one does.
  std::string PasswordForSignIn(const std::string& name);
  // After a successful sign-in: a scrambled password is stored protected instead.
  void SignedIn(const std::string& name, const std::string& password);
  // Deletes the account's key with its values; raises AppError when it does not exist.
  void Remove(const std::string& name);
  // The display names in the registry's enumeration order, through clsRegistry; raises
  // AppError when the Benutzer key does not exist.
  std::vector<std::string> List();

  // A display name the store accepts as the key of exactly one account.
  bool IsUsableName(const std::string& name);

 private:
  SettingsStore& settings_;
  Crypto* crypto_;
};

// "Wahr" / "Falsch".
std::string FlagText(bool value);
// "Wahr", "True", any non-zero number ("1", "-1", "2.5", "&H1", "1E2"): true; "Falsch", "False",
// any number that is nought: false; any case, blanks around. Anything else raises
// kErrTypeMismatch.
bool FlagFromText(const std::string& text);
// The 16-bit conversion of "Angezeigt": a number as above, rounded half to even ("2.5" is 2);
// raises kErrTypeMismatch, or kErrOverflow outside -32768..32767.
std::int16_t AttendanceFromText(const std::string& text);

}  // namespace pw
