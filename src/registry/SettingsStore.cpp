// The settings store over the narrow registry calls: one key per application, one per section.
#include "registry/SettingsStore.h"

#include "common/AppError.h"
#include "common/ErrorCatalog.h"
#include "common/SettingsNames.h"
#include "common/Text.h"
#include "platform/RegistryValue.h"
#include "registry/RegistryTree.h"
#include "registry/ScopedKey.h"

namespace pw {
namespace {

constexpr char kSettingsPath[] = "Software\\VB and VBA Program Settings\\";

[[noreturn]] void RaiseInvalid(const char* source) { throw AppError(kErrInvalidCall, source); }

}  // namespace

std::string SettingsStore::GetSetting(const std::string& appName, const std::string& section,
                                      const std::string& key, const std::string& defaultValue) {
  return Get(appName, section, key, defaultValue, false);
}

std::string SettingsStore::GetSettingBytes(const std::string& appName, const std::string& section,
                                           const std::string& key,
                                           const std::string& defaultValue) {
  return Get(appName, section, key, defaultValue, true);
}

void SettingsStore::SaveSetting(const std::string& appName, const std::string& section,
                                const std::string& key, const std::string& value) {
  Save(appName, section, key, value, false);
}

void SettingsStore::SaveSettingBytes(const std::string& appName, const std::string& section,
                                     const std::string& key, const std::string& bytes) {
  Save(appName, section, key, bytes, true);
}

// The section is opened below the application's key rather than in one path from the root:
// the A functions refuse sub-paths beyond MAX_PATH, which a long section name would reach.
std::optional<std::string> SettingsStore::Read(HKey root, const std::string& appPath,
                                               const std::string& section, const std::string& key,
                                               bool bytes) {
  ScopedKey app(api_);
  if (api_.RegOpenKeyExA(root, appPath, 0, kKeyRead, app.out()) != kErrorSuccess) {
    return std::nullopt;
  }
  ScopedKey sectionKey(api_);
  if (api_.RegOpenKeyExA(app.get(), section, 0, kKeyQueryValue, sectionKey.out()) !=
      kErrorSuccess) {
    return std::nullopt;
  }
  const auto value = QueryValue(api_, sectionKey.get(), key, bytes);
  if (!value || !IsStringType(value->type)) return std::nullopt;
  // The text ends at its NUL; data written without one keeps every byte.
  return TextUpToNul(value->data);
}

std::string SettingsStore::Get(const std::string& appName, const std::string& section,
                               const std::string& key, const std::string& defaultValue,
                               bool bytes) {
  if (appName.empty() || section.empty()) return defaultValue;
  const bool serverOrTimer =
      EqualsNoCase(appName, kSettingsApp) &&
      (EqualsNoCase(section, kSectionServer) || EqualsNoCase(section, kSectionTimer));
  // An administrator's policy wins over everything, the machine's over the user's; the program
  // only ever writes below the user's own key, so a policy cannot be changed from inside it.
  // Bytes the program fixes itself (the stored token) are no policy's business.
  if (serverOrTimer && !bytes) {
    for (HKey root : {kHkeyLocalMachine, kHkeyCurrentUser}) {
      if (auto policy = Read(root, kPoliciesPath, section, key, bytes)) return *policy;
    }
  }
  if (auto mine = Read(kHkeyCurrentUser, kSettingsPath + appName, section, key, bytes)) {
    return *mine;
  }
  // The server settings an administrator rolled out for the whole machine stand in for every
  // value of the user's own section that is missing; the user's own value always wins.
  if (serverOrTimer && EqualsNoCase(section, kSectionServer)) {
    if (auto machine = Read(kHkeyLocalMachine, kMachineDefaultsPath, section, key, bytes)) {
      return *machine;
    }
  }
  return defaultValue;
}

void SettingsStore::Save(const std::string& appName, const std::string& section,
                         const std::string& key, const std::string& value, bool bytes) {
  if (appName.empty() || section.empty()) RaiseInvalid("SaveSetting");
  ScopedKey app(api_);
  if (api_.RegCreateKeyExA(kHkeyCurrentUser, kSettingsPath + appName, 0, kKeyCreateSubKey,
                           app.out(), nullptr) != kErrorSuccess) {
    RaiseInvalid("SaveSetting");
  }
  ScopedKey sectionKey(api_);
  if (api_.RegCreateKeyExA(app.get(), section, 0, kKeySetValue, sectionKey.out(), nullptr) !=
      kErrorSuccess) {
    RaiseInvalid("SaveSetting");
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(value.c_str());
  const auto size = static_cast<std::uint32_t>(value.size() + 1);
  if ((bytes ? api_.RegSetValueBytesA(sectionKey.get(), key, kRegSz, data, size)
             : api_.RegSetValueExA(sectionKey.get(), key, kRegSz, data, size)) != kErrorSuccess) {
    RaiseInvalid("SaveSetting");
  }
}

void SettingsStore::DeleteSetting(const std::string& appName, const std::string& section) {
  if (appName.empty() || section.empty()) RaiseInvalid("DeleteSetting");
  ScopedKey app(api_);
  if (api_.RegOpenKeyExA(kHkeyCurrentUser, kSettingsPath + appName, 0, kKeyRead, app.out()) !=
          kErrorSuccess ||
      DeleteKeyTree(api_, app.get(), section) != kErrorSuccess) {
    RaiseInvalid("DeleteSetting");
  }
}

void SettingsStore::DeleteSetting(const std::string& appName, const std::string& section,
                                  const std::string& key) {
  if (appName.empty() || section.empty()) RaiseInvalid("DeleteSetting");
  ScopedKey app(api_);
  ScopedKey sectionKey(api_);
  if (api_.RegOpenKeyExA(kHkeyCurrentUser, kSettingsPath + appName, 0, kKeyRead, app.out()) !=
          kErrorSuccess ||
      api_.RegOpenKeyExA(app.get(), section, 0, kKeySetValue, sectionKey.out()) != kErrorSuccess ||
      api_.RegDeleteValueA(sectionKey.get(), key) != kErrorSuccess) {
    RaiseInvalid("DeleteSetting");
  }
}

}  // namespace pw
