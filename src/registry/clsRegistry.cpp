// clsRegistry's operations over the narrow registry calls.
#include "registry/clsRegistry.h"

#include <array>

#include "common/AppError.h"
#include "common/ErrorCatalog.h"
#include "common/Text.h"
#include "platform/RegistryValue.h"
#include "platform/Trace.h"
#include "registry/ScopedKey.h"

namespace pw {
namespace {

[[noreturn]] void Raise(std::int32_t number, const char* source, std::string description) {
  throw AppError(number, source, std::move(description));
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool EndsWithSeparator(const std::string& path) { return !path.empty() && path.back() == '\\'; }

[[noreturn]] void RaiseTypeMismatch() { throw AppError(kErrTypeMismatch, "setValue"); }

// Blank-separated hexadecimal tokens, one byte each. A text of blanks only gives no bytes, so
// that the empty text getValue gives for empty data writes back the same nothing.
std::string ParseBinary(const std::string& text) {
  // Blanks only, as VB trims: a tab stays and then fails the conversion.
  std::string trimmed(Trim(text));
  if (trimmed.empty()) return "";
  std::string prepared = trimmed + " ";
  std::string bytes;
  std::string token;
  for (char c : prepared) {
    if (c != ' ') {
      token.push_back(c);
      continue;
    }
    if (token.empty()) RaiseTypeMismatch();  // two blanks in a row
    unsigned value = 0;
    for (char digit : token) {
      int d = HexDigitValue(digit);
      if (d < 0) RaiseTypeMismatch();
      value = value > 255 ? value : value * 16 + static_cast<unsigned>(d);
    }
    if (value > 255)
      Raise(kRegBadBinary, "setValue", ErrorDescription(kRegBadBinary, Quoted(prepared)));
    bytes.push_back(static_cast<char>(value));
    token.clear();
  }
  return bytes;
}

// An optional sign and decimal digits, blanks around them allowed.
std::int32_t ParseDword(const std::string& text) {
  bool negative = false;
  std::string_view digits;
  if (!SplitSignedDigits(text, &negative, &digits)) RaiseTypeMismatch();
  std::int64_t value = 0;
  for (char c : digits) {
    value = value > (std::int64_t{1} << 32) ? value : value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) throw AppError(kErrOverflow, "setValue");
  return static_cast<std::int32_t>(value);
}

struct RootName {
  const char* name;
  HKey root;
};

// Tried in this order, the short name before the long one.
constexpr std::array<RootName, 12> kRoots = {{
    {"HKCU", kHkeyCurrentUser},
    {"HKEY_CURRENT_USER", kHkeyCurrentUser},
    {"HKLM", kHkeyLocalMachine},
    {"HKEY_LOCAL_MACHINE", kHkeyLocalMachine},
    {"HKU", kHkeyUsers},
    {"HKEY_USERS", kHkeyUsers},
    {"HKDD", kHkeyDynData},
    {"HKEY_DYN_DATA", kHkeyDynData},
    {"HKCC", kHkeyCurrentConfig},
    {"HKEY_CURRENT_CONFIG", kHkeyCurrentConfig},
    {"HKCR", kHkeyClassesRoot},
    {"HKEY_CLASSES_ROOT", kHkeyClassesRoot},
}};

}  // namespace

void clsRegistry::Key(const std::string& path) {
  if (path.empty() || path == "\\")
    Raise(kRegInvalidKey, "Let Key", ErrorDescription(kRegInvalidKey));
  key_ = path;
}

void clsRegistry::KeyExists(bool /*dummy*/) {
  Raise(kRegKeyExistsReadOnly, "keyExists", ErrorDescription(kRegKeyExistsReadOnly));
}

HKey clsRegistry::getRoot(const std::string& name) const {
  std::string upper = AsciiUpperCase(name);
  for (const RootName& entry : kRoots) {
    if (upper == entry.name) return entry.root;
  }
  Raise(kRegUnknownRoot, "getRoot", ErrorDescription(kRegUnknownRoot, Quoted(name)));
}

HKey clsRegistry::OpenKey(const std::string& path) {
  std::size_t separator = path.find('\\');
  if (separator == std::string::npos) return getRoot(path);
  HKey root = getRoot(path.substr(0, separator));
  HKey key = 0;
  long status = api_.RegOpenKeyExA(root, path.substr(separator + 1), 0, kKeyAllAccess, &key);
  if (status != kErrorSuccess) {
    Raise(kRegCannotOpen, "OpenKey",
          ErrorDescription(kRegCannotOpen, {Quoted(path), std::to_string(status)}));
  }
  return key;
}

Collection clsRegistry::regEnum() {
  Key(key_);
  ScopedKey key(api_, OpenKey(key_));
  const bool subkeys = EndsWithSeparator(key_);
  Collection names;
  for (std::uint32_t index = 0;; ++index) {
    std::string buffer(2048, ' ');
    std::uint32_t length = 2048;
    long status = subkeys ? api_.RegEnumKeyExA(key.get(), index, buffer.data(), &length)
                          : api_.RegEnumValueA(key.get(), index, buffer.data(), &length);
    if (status == kErrorNoMoreItems) break;
    // A name too long for the buffer is taken as reported; any other failure would answer the
    // same for every index, so the listing stops there and says so.
    if (status != kErrorSuccess && status != kErrorMoreData) {
      key.Close();
      Raise(kRegCannotRead, "regEnum", ErrorDescription(kRegCannotRead, Quoted(key_)));
    }
    names.Add(buffer.substr(0, length));
  }
  return names;
}

std::string clsRegistry::getValue() {
  Key(key_);
  std::size_t separator = key_.rfind('\\');
  if (separator == std::string::npos)
    Raise(kRegInvalidKey, "getValue", ErrorDescription(kRegInvalidKey, ": " + Quoted(key_)));
  ScopedKey key(api_, OpenKey(key_.substr(0, separator)));
  const std::string name = key_.substr(separator + 1);

  const auto value = QueryValue(api_, key.get(), name);
  key.Close();
  // Empty data reads as "" whatever its type; otherwise only the types below have a text form.
  bool readable = value.has_value();
  std::string text;
  if (readable && !value->data.empty()) {
    const std::string& data = value->data;
    if (IsStringType(value->type)) {
      // The data without its last byte, the terminating NUL.
      text = data.substr(0, data.size() - 1);
    } else if (value->type == kRegBinary) {
      for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) text.push_back(' ');
        AppendHexByte(text, static_cast<unsigned char>(data[i]));
      }
    } else if (value->type == kRegDword && data.size() <= 4) {
      std::uint32_t bits = 0;
      for (std::size_t i = 0; i < data.size(); ++i) {
        bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
      }
      text = std::to_string(static_cast<std::int32_t>(bits));
    } else {
      readable = false;
    }
  }
  if (!readable) Raise(kRegCannotRead, "getValue", ErrorDescription(kRegCannotRead, Quoted(key_)));
  return text;
}

bool clsRegistry::setValue(const std::string& strStore, std::int32_t regType) {
  Key(key_);
  std::size_t separator = key_.rfind('\\');
  if (separator == std::string::npos)
    Raise(kRegInvalidKey, "setValue", ErrorDescription(kRegInvalidKey, ": " + Quoted(key_)));
  const std::string keyPath = key_.substr(0, separator);
  const std::string name = key_.substr(separator + 1);

  long status = kErrorSuccess;
  HKey handle = 0;
  std::size_t rootEnd = keyPath.find('\\');
  if (rootEnd == std::string::npos) {
    handle = OpenKey(keyPath);
  } else {
    if (!autoCreate_ && !KeyExists())
      Raise(kRegNotCreated, "setValue", ErrorDescription(kRegNotCreated));
    HKey root = OpenKey(keyPath.substr(0, rootEnd));
    status = api_.RegCreateKeyExA(root, keyPath.substr(rootEnd + 1), 0,
                                  kKeyCreateSubKey | kKeySetValue, &handle, nullptr);
  }
  if (handle == 0) {
    Raise(kRegCannotCreate, "setValue",
          ErrorDescription(kRegCannotCreate, {Quoted(key_), std::to_string(status)}));
  }
  ScopedKey key(api_, handle);
  auto write = [&](std::uint32_t type, const std::string& bytes, std::size_t size) {
    return api_.RegSetValueExA(key.get(), name, type,
                               reinterpret_cast<const std::uint8_t*>(bytes.c_str()),
                               static_cast<std::uint32_t>(size));
  };
  switch (regType) {
    case 1: {
      status = write(kRegSz, strStore, strStore.size() + 1);
      break;
    }
    case 3: {
      std::string bytes = ParseBinary(strStore);
      status = write(kRegBinary, bytes, bytes.size());
      break;
    }
    case 4: {
      auto bits = static_cast<std::uint32_t>(ParseDword(strStore));
      std::string bytes = {static_cast<char>(bits & 0xFF), static_cast<char>((bits >> 8) & 0xFF),
                           static_cast<char>((bits >> 16) & 0xFF),
                           static_cast<char>((bits >> 24) & 0xFF)};
      status = write(kRegDword, bytes, 4);
      break;
    }
    default:
      break;  // other types write nothing
  }
  key.Close();
  return status == kErrorSuccess;
}

std::int32_t clsRegistry::delKey() {
  Key(key_);
  const bool deletesKey = EndsWithSeparator(key_);
  if (deletesKey) {
    Key(key_.substr(0, key_.size() - 1));
    if (EndsWithSeparator(key_))
      Raise(kRegInvalidKey, "delKey", ErrorDescription(kRegInvalidKey, "!"));
  }
  std::size_t separator = key_.rfind('\\');
  if (separator == std::string::npos)
    Raise(kRegInvalidKey, "delKey", ErrorDescription(kRegInvalidKey, "!"));
  ScopedKey parent(api_, OpenKey(key_.substr(0, separator)));
  const std::string name = key_.substr(separator + 1);
  long status = deletesKey ? api_.RegDeleteKeyA(parent.get(), name)
                           : api_.RegDeleteValueA(parent.get(), name);
  parent.Close();
  return static_cast<std::int32_t>(status);
}

bool clsRegistry::KeyExists() {
  try {
    Key(key_);
  } catch (const AppError&) {
    // An unusable key text is answered below: such a key does not exist.
    TraceIgnored("clsRegistry.KeyExists");
  }
  bool exists = false;
  try {
    if (EndsWithSeparator(key_)) {
      ScopedKey key(api_, OpenKey(key_));
    } else {
      getValue();
    }
    exists = true;
  } catch (const AppError&) {
    // Absent or unreadable: either way it does not exist for the caller.
    TraceIgnored("clsRegistry.KeyExists");
  }
  lastExists_ = exists;
  return exists;
}

}  // namespace pw
