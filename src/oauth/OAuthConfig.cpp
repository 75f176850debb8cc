// Reading and checking the OAuth2 settings.
#include "oauth/OAuthConfig.h"

#include <optional>

#include "common/AppError.h"
#include "common/ErrorCatalog.h"
#include "common/Text.h"
#include "common/Url.h"

namespace pw {
namespace {

constexpr char kMicrosoftLogin[] = "https://login.microsoftonline.com/";
constexpr char kMicrosoftScope[] =
    "https://outlook.office.com/IMAP.AccessAsUser.All offline_access";

[[noreturn]] void BadSetting(std::string detail) {
  throw AppError(kOAuthBadSetting, "OAuth2", ErrorDescription(kOAuthBadSetting, detail));
}

std::string Value(const ServerSettingReader& read, const char* name, const char* fallback) {
  return std::string(Trim(read(name, fallback)));
}

bool IsOAuth(const ServerSettingReader& read) {
  return EqualsNoCase(Value(read, "Anmeldung", kAnmeldungKennwort), kAnmeldungOAuth2);
}

bool IsMicrosoft(const ServerSettingReader& read) {
  return EqualsNoCase(Value(read, "OAuth2-Anbieter", kProviderMicrosoft), kProviderMicrosoft);
}

// A tenant goes into the endpoints' path: a name, a domain or a GUID, nothing else.
bool IsTenant(const std::string& t) {
  if (t.empty() || t.size() > 100) return false;
  for (char c : t) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '.' || c == '_';
    if (!ok) return false;
  }
  return true;
}

bool HasControlOrBlank(const std::string& s) {
  for (unsigned char c : s) {
    if (c <= 0x20 || c == 0x7F) return true;
  }
  return false;
}

}  // namespace

std::string OAuthConfig::Fingerprint() const {
  return std::string(enabled ? kAnmeldungOAuth2 : kAnmeldungKennwort) + "\n" + provider + "\n" +
         tenant + "\n" + clientId + "\n" + authorizeUrl + "\n" + tokenUrl + "\n" + scope;
}

bool IsAllowedEndpoint(const std::string& url) {
  const std::optional<Url> parsed = ParseUrl(url);
  // Credentials in the address would go to the endpoint with every request; none is needed.
  if (!parsed || !parsed->userinfo.empty()) return false;
  if (parsed->scheme == "https") return true;
  // In clear only to the own machine, and no character another URL reader (WinHTTP's) might
  // take for the end of the host where this one did not.
  return IsLoopbackHost(parsed->host) && url.find_first_of("@#") == std::string::npos;
}

std::string EndpointHost(const std::string& url) {
  const std::optional<Url> parsed = ParseUrl(url);
  if (!parsed) return url;
  return parsed->ipv6 ? "[" + parsed->host + "]" : parsed->host;
}

OAuthConfig ReadOAuthConfig(const ServerSettingReader& read) {
  OAuthConfig c;
  const std::string anmeldung = Value(read, "Anmeldung", kAnmeldungKennwort);
  if (EqualsNoCase(anmeldung, kAnmeldungKennwort)) return c;
  if (!EqualsNoCase(anmeldung, kAnmeldungOAuth2))
    BadSetting(FillIn(kDescBadAnmeldung, {anmeldung}));
  c.enabled = true;
  c.provider = Value(read, "OAuth2-Anbieter", kProviderMicrosoft);
  c.tenant = Value(read, "OAuth2-Mandant", "organizations");
  c.clientId = Value(read, "OAuth2-Client-ID", "");
  if (EqualsNoCase(c.provider, kProviderMicrosoft)) {
    c.provider = kProviderMicrosoft;
    if (!IsTenant(c.tenant)) BadSetting("OAuth2-Mandant \"" + c.tenant + "\"");
    const std::string base = kMicrosoftLogin + c.tenant + "/oauth2/v2.0/";
    c.authorizeUrl = Value(read, "OAuth2-Autorisierung", (base + "authorize").c_str());
    c.tokenUrl = Value(read, "OAuth2-Token", (base + "token").c_str());
    c.scope = Value(read, "OAuth2-Bereich", kMicrosoftScope);
  } else if (EqualsNoCase(c.provider, kProviderEigener)) {
    c.provider = kProviderEigener;
    c.authorizeUrl = Value(read, "OAuth2-Autorisierung", "");
    c.tokenUrl = Value(read, "OAuth2-Token", "");
    c.scope = Value(read, "OAuth2-Bereich", "");
    if (c.authorizeUrl.empty() || c.tokenUrl.empty()) BadSetting(kDescNoEndpoint);
  } else {
    BadSetting(FillIn(kDescBadProvider, {c.provider}));
  }
  if (c.clientId.empty() || HasControlOrBlank(c.clientId)) BadSetting(kDescNoClientId);
  for (const std::string* url : {&c.authorizeUrl, &c.tokenUrl}) {
    if (!IsAllowedEndpoint(*url)) BadSetting(FillIn(kDescPlainHttp, {*url}));
  }
  return c;
}

std::string DefaultHost(const ServerSettingReader& read, const std::string& fallback) {
  return IsOAuth(read) && IsMicrosoft(read) ? std::string(kMicrosoftHost) : fallback;
}

std::string DefaultSicherheit(const ServerSettingReader& read, const std::string& fallback) {
  return IsOAuth(read) && IsMicrosoft(read) ? std::string("SSL/TLS") : fallback;
}

}  // namespace pw
