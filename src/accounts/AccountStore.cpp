// The account store: settings-store operations under "Mail Postwacht\Benutzer", confined to the
// one account key a display name names.
#include "accounts/AccountStore.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

#include "accounts/InboxMemory.h"
#include "accounts/Passwort.h"
#include "accounts/ProtectedPassword.h"
#include "common/AppError.h"
#include "common/ErrorCatalog.h"
#include "common/Text.h"
#include "common/Texts.h"
#include "registry/clsRegistry.h"

namespace pw {
namespace {

// Windows documents 255 characters as the longest key name.
constexpr std::size_t kMaxKeyName = 255;

[[noreturn]] void RaiseUnusableName(const char* source) { throw AppError(kErrInvalidCall, source); }

[[noreturn]] void RaiseTypeMismatch(const char* source) {
  throw AppError(kErrTypeMismatch, source);
}

[[noreturn]] void RaiseOverflow(const char* source) { throw AppError(kErrOverflow, source); }

// Blanks and tabs around a number are ignored by the conversions.
constexpr char kNumberBlanks[] = " \t";

// A number as the registry text conversions read it: "&H" hexadecimal and "&O" octal give a whole
// number, wrapped to 16 bits when it fits them ("&HFFFF" is -1); everything else is decimal with an
// optional sign, fraction (".") and exponent (E or D).
struct NumberText {
  bool isWhole = false;
  long long whole = 0;
  double value = 0.0;
};

NumberText ReadNumber(const std::string& text, const char* source) {
  std::string_view t = Trim(text, kNumberBlanks);
  NumberText number;
  if (!t.empty() && t[0] == '&') {
    t.remove_prefix(1);
    if (t.empty() || (AsciiUpper(t[0]) != 'H' && AsciiUpper(t[0]) != 'O')) {
      RaiseTypeMismatch(source);
    }
    const int base = AsciiUpper(t[0]) == 'H' ? 16 : 8;
    t.remove_prefix(1);
    if (t.empty()) RaiseTypeMismatch(source);
    unsigned long long value = 0;
    for (char c : t) {
      const int digit = HexDigitValue(c);
      if (digit < 0 || digit >= base) RaiseTypeMismatch(source);
      value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
      if (value > 0xFFFFFFFFu) RaiseOverflow(source);
    }
    number.isWhole = true;
    number.whole = value <= 0xFFFFu ? static_cast<std::int16_t>(value)
                                    : static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return number;
  }

  // Sign, digits with at most one point, then an optional exponent with its own sign.
  std::string plain;
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    if (t[i] == '-') plain += '-';
    ++i;
  }
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') {
      digits = true;
    } else if (t[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
    plain += t[i];
  }
  if (!digits) RaiseTypeMismatch(source);
  bool negativeExponent = false;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
    plain += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
      negativeExponent = t[i] == '-';
      plain += t[i];
      ++i;
    }
    const std::size_t exponentStart = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') plain += t[i++];
    if (i == exponentStart) RaiseTypeMismatch(source);
  }
  if (i != t.size()) RaiseTypeMismatch(source);

  const auto [end, error] =
      std::from_chars(plain.data(), plain.data() + plain.size(), number.value);
  if (error == std::errc::result_out_of_range && negativeExponent) {
    number.value = 0.0;  // too small to tell from nought
  } else if (error != std::errc() || end != plain.data() + plain.size()) {
    RaiseOverflow(source);
  }
  return number;
}

}  // namespace

bool AccountStore::IsUsableName(const std::string& name) {
  // "\" would make a path of nested keys, NUL would end the name early, and a character outside
  // the system's code page would turn into "?" and so name another account.
  if (name.empty() || name.find('\\') != std::string::npos ||
      name.find('\0') != std::string::npos) {
    return false;
  }
  const std::optional<std::size_t> length = settings_.Api().CodePageLength(name);
  return length && *length <= kMaxKeyName;
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

std::string AccountStore::ReadPassword(const std::string& name) {
  if (!IsUsableName(name)) return {};
  return ProtectedPassword(settings_, crypto_).Read(name).password;
}

void AccountStore::WritePassword(const std::string& name, const std::string& password) {
  if (!IsUsableName(name)) RaiseUnusableName("SaveSetting");
  ProtectedPassword(settings_, crypto_).Write(name, password);
}

std::string AccountStore::PasswordForSignIn(const std::string& name) {
  if (!IsUsableName(name)) return {};
  StoredPassword stored = ProtectedPassword(settings_, crypto_).Read(name);
  if (stored.unreadable) {
    throw AppError(kImapErrorLoginRefused, kValueProtectedPassword, kUnreadablePassword);
  }
  return std::move(stored.password);
}

void AccountStore::SignedIn(const std::string& name, const std::string& password) {
  if (IsUsableName(name)) ProtectedPassword(settings_, crypto_).Convert(name, password);
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
  std::string upper = AsciiUpperCase(Trim(text, kNumberBlanks));
  if (upper == "WAHR" || upper == "TRUE") return true;
  if (upper == "FALSCH" || upper == "FALSE") return false;
  const NumberText number = ReadNumber(text, "FlagFromText");
  return number.isWhole ? number.whole != 0 : number.value != 0.0;
}

std::int16_t AttendanceFromText(const std::string& text) {
  const NumberText number = ReadNumber(text, "AttendanceFromText");
  if (number.isWhole) {
    if (number.whole < -32768 || number.whole > 32767) RaiseOverflow("AttendanceFromText");
    return static_cast<std::int16_t>(number.whole);
  }
  // Halves go to the even neighbour, as the 16-bit conversion rounds.
  const double rounded = std::nearbyint(number.value);
  if (!(rounded >= -32768.0 && rounded <= 32767.0)) RaiseOverflow("AttendanceFromText");
  return static_cast<std::int16_t>(rounded);
}

}  // namespace pw
