// The account store: settings-store operations under "Mail Postwacht\Benutzer", confined to the
// one account key a display name names.
#include "accounts/AccountStore.h"

#include "accounts/InboxMemory.h"
#include "core/Ansi.h"
#include "core/AppError.h"
#include "core/Text.h"
#include "registry/clsRegistry.h"

namespace pw {
namespace {

// Windows documents 255 characters as the longest key name.
constexpr std::size_t kMaxKeyName = 255;

[[noreturn]] void RaiseUnusableName(const char* source) {
  throw AppError(5, source, "Ungültiger Prozeduraufruf oder ungültiges Argument");
}

[[noreturn]] void RaiseTypeMismatch(const char* source) {
  throw AppError(13, source, "Typen unverträglich");
}

}  // namespace

bool AccountStore::IsUsableName(const std::string& name) {
  // "\" would make a path of nested keys, NUL would end the name early, and a character outside
  // the code page would turn into "?" and so name another account.
  if (name.empty() || name.find('\\') != std::string::npos ||
      name.find('\0') != std::string::npos) {
    return false;
  }
  std::string ansi = ToAnsi(name);
  return ansi.size() <= kMaxKeyName && FromAnsi(ansi) == name;
}

std::string AccountStore::Read(const std::string& name, const std::string& valueName,
                               const std::string& defaultValue) {
  if (!IsUsableName(name)) return defaultValue;
  return settings_.GetSetting(kAccountsApp, name, valueName, defaultValue);
}

void AccountStore::Write(const std::string& name, const std::string& valueName,
                         const std::string& text) {
  if (!IsUsableName(name)) RaiseUnusableName("SaveSetting");
  settings_.SaveSetting(kAccountsApp, name, valueName, text);
}

void AccountStore::Remove(const std::string& name) {
  if (!IsUsableName(name)) RaiseUnusableName("DeleteSetting");
  settings_.DeleteSetting(kAccountsApp, name);
  InboxMemory(settings_).Forget(name);
}

std::vector<std::string> AccountStore::List() {
  clsRegistry registry(settings_.Api());
  registry.Key(kAccountsKeyPath);
  Collection names = registry.regEnum();
  std::vector<std::string> accounts;
  for (int i = 1; i <= names.Count(); ++i) accounts.push_back(names.Item(i));
  return accounts;
}

std::string FlagText(bool value) { return value ? "Wahr" : "Falsch"; }

bool FlagFromText(const std::string& text) {
  std::string upper = AnsiUpper(ToAnsi(Trim(text)));
  if (upper == "WAHR" || upper == "TRUE") return true;
  if (upper == "FALSCH" || upper == "FALSE") return false;
  bool negative = false;
  std::string_view digits;
  if (!SplitSignedDigits(text, &negative, &digits)) RaiseTypeMismatch("FlagFromText");
  return digits.find_first_not_of('0') != std::string_view::npos;
}

std::int16_t AttendanceFromText(const std::string& text) {
  bool negative = false;
  std::string_view digits;
  if (!SplitSignedDigits(text, &negative, &digits)) RaiseTypeMismatch("AttendanceFromText");
  long value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > 32768) throw AppError(6, "AttendanceFromText", "Überlauf");
  }
  if (negative) value = -value;
  if (value > 32767) throw AppError(6, "AttendanceFromText", "Überlauf");
  return static_cast<std::int16_t>(value);
}

}  // namespace pw
