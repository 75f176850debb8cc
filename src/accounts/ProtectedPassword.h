// An account's password under DPAPI: protected for the Windows user in "PW-DPAPI", with the
// scrambled "PW" of older programs and roll-outs still read and converted once it signed in.
#pragma once

#include <string>

#include "platform/Crypto.h"
#include "registry/SettingsStore.h"

namespace pw {

struct StoredPassword {
  std::string password;      // empty when there is none or it cannot be read
  bool isProtected = false;  // read from "PW-DPAPI"
  bool unreadable = false;   // "PW-DPAPI" is there but not ours (another user or machine)
};

// The store of one account's password below "Mail Postwacht\Benutzer\<name>"; the name is one
// the account store accepts. Without a crypto (the native build's tools) only "PW" is used.
class ProtectedPassword {
 public:
  ProtectedPassword(SettingsStore& settings, Crypto* crypto)
      : settings_(settings), crypto_(crypto) {}

  // "PW-DPAPI" when it is there, else the unscrambled "PW".
  StoredPassword Read(const std::string& name);
  // Stores the password protected and removes "PW"; raises AppError as SaveSetting does. An
  // empty password leaves a value that cannot be read as it is: the edit dialog shows such a
  // password empty, and OK without typing one must not destroy it. When the system refuses
  // the protection the password is stored scrambled, as before, so the account keeps working.
  void Write(const std::string& name, const std::string& password);
  // After a successful sign-in with password: a scrambled "PW" that still holds it is stored
  // protected instead. Never raises (the next sign-in tries again).
  void Convert(const std::string& name, const std::string& password);

 private:
  void WriteScrambled(const std::string& name, const std::string& password);
  void Drop(const std::string& name, const char* valueName);

  SettingsStore& settings_;
  Crypto* crypto_;
};

}  // namespace pw
