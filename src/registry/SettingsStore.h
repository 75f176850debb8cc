// The per-user settings store under HKCU\Software\VB and VBA Program Settings.
#pragma once

#include <optional>
#include <string>

#include "platform/RegistryApi.h"

namespace pw {

// Texts are UTF-8 here and in the system code page in the registry. Application names may hold
// "\" ("Mail Postwacht\Benutzer").
class SettingsStore {
 public:
  explicit SettingsStore(RegistryApi& api) : api_(api) {}

  // The value, or the default for an absent key or value. For "Mail Postwacht"'s "Server" and
  // "Timer" a policy comes first: HKLM\SOFTWARE\Policies\Postwacht\<section>, then the same
  // below HKCU, then the user's own value; a value still missing from "Server" is taken from
  // the machine's defaults, HKLM\SOFTWARE\Postwacht\Server.
  std::string GetSetting(const std::string& appName, const std::string& section,
                         const std::string& key, const std::string& defaultValue);
  // Creates missing keys and writes a REG_SZ value; raises AppError on failure.
  void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                   const std::string& value);
  // The same for a value whose bytes the program fixes itself: they are stored and read back as
  // they are, past the code page (only names are crossed).
  std::string GetSettingBytes(const std::string& appName, const std::string& section,
                              const std::string& key, const std::string& defaultValue);
  void SaveSettingBytes(const std::string& appName, const std::string& section,
                        const std::string& key, const std::string& bytes);
  // Removes the section's key with all its values; raises AppError when it does not exist.
  void DeleteSetting(const std::string& appName, const std::string& section);
  // Removes one value of the section; raises AppError when it does not exist.
  void DeleteSetting(const std::string& appName, const std::string& section,
                     const std::string& key);

  RegistryApi& Api() { return api_; }

 private:
  // The string below root\appPath\section, or nothing when the key or a string value is absent.
  std::optional<std::string> Read(HKey root, const std::string& appPath, const std::string& section,
                                  const std::string& key, bool bytes);
  std::string Get(const std::string& appName, const std::string& section, const std::string& key,
                  const std::string& defaultValue, bool bytes);
  void Save(const std::string& appName, const std::string& section, const std::string& key,
            const std::string& value, bool bytes);

  RegistryApi& api_;
};

}  // namespace pw
