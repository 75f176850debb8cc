// The settings store over the narrow registry calls: one key per application, one per section.
#include "registry/SettingsStore.h"

#include "common/Ansi.h"
#include "common/AppError.h"
#include "common/ErrorCatalog.h"
#include "registry/RegistryTree.h"
#include "registry/ScopedKey.h"

namespace pw {
namespace {

constexpr char kSettingsPath[] = "Software\\VB and VBA Program Settings\\";

[[noreturn]] void RaiseInvalid(const char* source) {
  throw AppError(kErrInvalidCall, source, std::string(ErrorText(kErrInvalidCall)));
}

}  // namespace

// The section is opened below the application's key rather than in one path from the root:
// the A functions refuse sub-paths beyond MAX_PATH, which a long section name would reach.
std::string SettingsStore::GetSetting(const std::string& appName, const std::string& section,
                                      const std::string& key, const std::string& defaultValue) {
  if (appName.empty() || section.empty()) return defaultValue;
  ScopedKey app(api_);
  if (api_.RegOpenKeyExA(kHkeyCurrentUser, kSettingsPath + ToAnsi(appName), 0, kKeyRead,
                         app.out()) != kErrorSuccess) {
    return defaultValue;
  }
  ScopedKey sectionKey(api_);
  if (api_.RegOpenKeyExA(app.get(), ToAnsi(section), 0, kKeyQueryValue, sectionKey.out()) !=
      kErrorSuccess) {
    return defaultValue;
  }
  const std::string name = ToAnsi(key);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (api_.RegQueryValueExA(sectionKey.get(), name, &type, nullptr, &size) != kErrorSuccess ||
      (type != kRegSz && type != kRegExpandSz)) {
    return defaultValue;
  }
  std::string data(size, '\0');
  if (size > 0 &&
      api_.RegQueryValueExA(sectionKey.get(), name, &type,
                            reinterpret_cast<std::uint8_t*>(data.data()), &size) != kErrorSuccess) {
    return defaultValue;
  }
  // The text ends at its NUL; data written without one keeps every byte.
  data.resize(size);
  return FromAnsi(data.substr(0, data.find('\0')));
}

void SettingsStore::SaveSetting(const std::string& appName, const std::string& section,
                                const std::string& key, const std::string& value) {
  if (appName.empty() || section.empty()) RaiseInvalid("SaveSetting");
  ScopedKey app(api_);
  if (api_.RegCreateKeyExA(kHkeyCurrentUser, kSettingsPath + ToAnsi(appName), 0, kKeyCreateSubKey,
                           app.out(), nullptr) != kErrorSuccess) {
    RaiseInvalid("SaveSetting");
  }
  ScopedKey sectionKey(api_);
  if (api_.RegCreateKeyExA(app.get(), ToAnsi(section), 0, kKeySetValue, sectionKey.out(),
                           nullptr) != kErrorSuccess) {
    RaiseInvalid("SaveSetting");
  }
  const std::string text = ToAnsi(value);
  if (api_.RegSetValueExA(sectionKey.get(), ToAnsi(key), kRegSz,
                          reinterpret_cast<const std::uint8_t*>(text.c_str()),
                          static_cast<std::uint32_t>(text.size() + 1)) != kErrorSuccess) {
    RaiseInvalid("SaveSetting");
  }
}

void SettingsStore::DeleteSetting(const std::string& appName, const std::string& section) {
  if (appName.empty() || section.empty()) RaiseInvalid("DeleteSetting");
  ScopedKey app(api_);
  if (api_.RegOpenKeyExA(kHkeyCurrentUser, kSettingsPath + ToAnsi(appName), 0, kKeyRead,
                         app.out()) != kErrorSuccess ||
      DeleteKeyTree(api_, app.get(), ToAnsi(section)) != kErrorSuccess) {
    RaiseInvalid("DeleteSetting");
  }
}

void SettingsStore::DeleteSetting(const std::string& appName, const std::string& section,
                                  const std::string& key) {
  if (appName.empty() || section.empty()) RaiseInvalid("DeleteSetting");
  ScopedKey app(api_);
  ScopedKey sectionKey(api_);
  if (api_.RegOpenKeyExA(kHkeyCurrentUser, kSettingsPath + ToAnsi(appName), 0, kKeyRead,
                         app.out()) != kErrorSuccess ||
      api_.RegOpenKeyExA(app.get(), ToAnsi(section), 0, kKeySetValue, sectionKey.out()) !=
          kErrorSuccess ||
      api_.RegDeleteValueA(sectionKey.get(), ToAnsi(key)) != kErrorSuccess) {
    RaiseInvalid("DeleteSetting");
  }
}

}  // namespace pw
