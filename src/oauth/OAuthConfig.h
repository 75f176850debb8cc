// The settings of the OAuth2 sign-in, read from the "Server" key with the defaults of the
// chosen provider filled in.
#pragma once

#include <functional>
#include <string>

namespace pw {

inline constexpr char kAnmeldungKennwort[] = "Kennwort";
inline constexpr char kAnmeldungOAuth2[] = "OAuth2";
inline constexpr char kProviderMicrosoft[] = "Microsoft 365";
inline constexpr char kProviderEigener[] = "Eigener";
inline constexpr char kMicrosoftHost[] = "outlook.office365.com";

struct OAuthConfig {
  bool enabled = false;  // "Anmeldung" is "OAuth2"
  std::string provider;  // "Microsoft 365" or "Eigener"
  std::string tenant;
  std::string clientId;
  std::string authorizeUrl;
  std::string tokenUrl;
  std::string scope;

  // Everything a stored token depends on: when it changes, the token is no longer used.
  std::string Fingerprint() const;
};

// Reads one value of the "Server" key, with the default for a missing one.
using ServerSettingReader =
    std::function<std::string(const std::string& name, const std::string& defaultValue)>;

// The settings as they stand; raises AppError(kOAuthBadSetting) for unusable ones (OAuth2
// only: with "Kennwort" nothing else is read).
OAuthConfig ReadOAuthConfig(const ServerSettingReader& read);

// The default of "Host" and "Sicherheit" under the current settings: Microsoft 365's server
// with OAuth2 and that provider, otherwise the given fallback.
std::string DefaultHost(const ServerSettingReader& read, const std::string& fallback);
std::string DefaultSicherheit(const ServerSettingReader& read, const std::string& fallback);

// Only https://, and http:// to a loopback address (the tests' provider); no userinfo.
bool IsAllowedEndpoint(const std::string& url);
// The host an endpoint's requests go to, for the sign-in window.
std::string EndpointHost(const std::string& url);

}  // namespace pw
