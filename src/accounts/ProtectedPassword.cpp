// The protected password value beside the scrambled one, and the step from one to the other.
#include "accounts/ProtectedPassword.h"

#include <exception>

#include "accounts/Passwort.h"
#include "common/AppError.h"
#include "common/Base64.h"
#include "common/SettingsNames.h"
#include "platform/Trace.h"

namespace pw {

StoredPassword ProtectedPassword::Read(const std::string& name) {
  StoredPassword stored;
  const std::string text = settings_.GetSetting(kAccountsApp, name, kValueProtectedPassword, "");
  if (!text.empty()) {
    stored.isProtected = true;
    const auto blob = Base64Decode(text);
    try {
      if (!blob || !crypto_) throw AppError(kErrInvalidCall, "ProtectedPassword");
      stored.password = crypto_->Unprotect(*blob);
    } catch (const AppError&) {
      // Written for another Windows user or on another machine, or damaged.
      TraceIgnored("ProtectedPassword.Read");
      stored.unreadable = true;
    }
    return stored;
  }
  stored.password =
      Passwort::AusSpeicherform(settings_.GetSettingBytes(kAccountsApp, name, kValuePassword, ""));
  return stored;
}

void ProtectedPassword::Write(const std::string& name, const std::string& password) {
  if (password.empty() && Read(name).unreadable) return;
  std::string blob;
  try {
    if (crypto_) blob = crypto_->Protect(password);
  } catch (const AppError&) {
    TraceIgnored("ProtectedPassword.Write");
  }
  if (blob.empty()) {
    WriteScrambled(name, password);
    return;
  }
  settings_.SaveSetting(kAccountsApp, name, kValueProtectedPassword, Base64Encode(blob));
  Drop(name, kValuePassword);
}

void ProtectedPassword::Convert(const std::string& name, const std::string& password) {
  try {
    const StoredPassword stored = Read(name);
    // Only what this sign-in proved, and not a "PW" changed meanwhile.
    if (stored.unreadable || stored.password != password || !crypto_) return;
    if (settings_.GetSettingBytes(kAccountsApp, name, kValuePassword, "").empty()) return;
    if (stored.isProtected) {
      Drop(name, kValuePassword);  // a roll-out's "PW" beside the protected value it replaced
    } else {
      Write(name, password);
    }
  } catch (const std::exception&) {
    TraceIgnored("ProtectedPassword.Convert");
  }
}

void ProtectedPassword::WriteScrambled(const std::string& name, const std::string& password) {
  settings_.SaveSettingBytes(kAccountsApp, name, kValuePassword, Passwort::Speicherform(password));
  Drop(name, kValueProtectedPassword);
}

void ProtectedPassword::Drop(const std::string& name, const char* valueName) {
  // A stored text ends at its first NUL, so this default tells an absent value from any other.
  const std::string absent(1, '\0');
  if (settings_.GetSettingBytes(kAccountsApp, name, valueName, absent) == absent) return;
  try {
    settings_.DeleteSetting(kAccountsApp, name, valueName);
  } catch (const AppError&) {
    TraceIgnored("ProtectedPassword.Drop");
  }
}

}  // namespace pw
