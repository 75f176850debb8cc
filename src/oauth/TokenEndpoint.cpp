// Token requests and answers; the JSON is read with nlohmann-json.
#include "oauth/TokenEndpoint.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string_view>

#include "common/AppError.h"
#include "common/Base64.h"
#include "common/ErrorCatalog.h"
#include "common/Text.h"
#include "oauth/Authorization.h"
#include "platform/Transport.h"

namespace pw {
namespace {

using nlohmann::json;

// Printable text from the provider, cut short: it goes into a message box.
std::string ProviderText(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
    if (out.size() >= 300) break;
  }
  return out;
}

std::string StringField(const json& j, const char* name) {
  auto it = j.find(name);
  return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

[[noreturn]] void Malformed(int status) {
  throw AppError(kOAuthProviderError, "OAuth2",
                 ErrorDescription(kOAuthProviderError,
                                  FillIn(kDescProviderMalformed, {std::to_string(status)})));
}

// Whole seconds as digits, saturating at kMaxExpiresIn; 0 for anything else.
std::int64_t SecondsOf(const std::string& text) {
  const std::string_view t = Trim(text);
  if (t.empty() || t.find_first_not_of("0123456789") != std::string_view::npos) return 0;
  std::int64_t value = 0;
  for (char c : t) {
    value = value * 10 + (c - '0');
    if (value >= kMaxExpiresIn) return kMaxExpiresIn;
  }
  return value;
}

// A token is sent as a bearer credential, and none is longer than this.
constexpr std::size_t kMaxTokenLength = 16384;

// The name in an id_token, for the sign-in window only: it is not checked, nothing is
// decided by it.
std::string AccountOf(const std::string& idToken) {
  const std::size_t a = idToken.find('.');
  const std::size_t b = a == std::string::npos ? a : idToken.find('.', a + 1);
  if (b == std::string::npos) return {};
  std::string payload = idToken.substr(a + 1, b - a - 1);
  for (char& c : payload) {
    if (c == '-') c = '+';
    if (c == '_') c = '/';
  }
  while (payload.size() % 4 != 0) payload += '=';
  auto text = Base64Decode(payload);
  if (!text) return {};
  json claims = json::parse(*text, nullptr, false);
  if (!claims.is_object()) return {};
  for (const char* name : {"preferred_username", "upn", "email"}) {
    std::string v = StringField(claims, name);
    if (!v.empty()) return ProviderText(v);
  }
  return {};
}

}  // namespace

std::string CodeRequestBody(const OAuthConfig& config, const std::string& code,
                            const std::string& redirectUri, const std::string& verifier) {
  std::string body = "grant_type=authorization_code&code=" + FormEncode(code) +
                     "&redirect_uri=" + FormEncode(redirectUri) +
                     "&client_id=" + FormEncode(config.clientId) +
                     "&code_verifier=" + FormEncode(verifier);
  if (!config.scope.empty()) body += "&scope=" + FormEncode(config.scope);
  return body;
}

std::string RefreshRequestBody(const OAuthConfig& config, const std::string& refreshToken) {
  std::string body = "grant_type=refresh_token&refresh_token=" + FormEncode(refreshToken) +
                     "&client_id=" + FormEncode(config.clientId);
  if (!config.scope.empty()) body += "&scope=" + FormEncode(config.scope);
  return body;
}

TokenGrant ParseTokenResponse(const HttpResponse& response) {
  if (response.status == 502 || response.status == 503 || response.status == 504) {
    throw NetError(kNetUnreachable);
  }
  const json j = json::parse(response.body, nullptr, false);
  if (!j.is_object()) Malformed(response.status);
  if (response.status != 200) {
    const std::string error = StringField(j, "error");
    if (error.empty()) Malformed(response.status);
    std::string text = ProviderText(error);
    const std::string description = StringField(j, "error_description");
    if (!description.empty()) text += ": " + ProviderText(description);
    if (error == "invalid_grant") {
      throw AppError(kOAuthSignInRequired, "OAuth2", ErrorDescription(kOAuthSignInRequired, text));
    }
    throw AppError(kOAuthProviderError, "OAuth2", ErrorDescription(kOAuthProviderError, text));
  }
  TokenGrant grant;
  grant.accessToken = StringField(j, "access_token");
  grant.refreshToken = StringField(j, "refresh_token");
  const std::string type = StringField(j, "token_type");
  if (!IsBearerToken(grant.accessToken) || grant.accessToken.size() > kMaxTokenLength ||
      grant.refreshToken.size() > kMaxTokenLength ||
      (!type.empty() && type != "Bearer" && type != "bearer")) {
    Malformed(response.status);
  }
  // Microsoft has sent expires_in as a string at times; both forms are taken, and clamped
  // before anything is computed with them.
  auto expires = j.find("expires_in");
  if (expires != j.end()) {
    if (expires->is_number_unsigned()) {
      grant.expiresIn = static_cast<std::int64_t>(
          std::min<std::uint64_t>(expires->get<std::uint64_t>(), kMaxExpiresIn));
    } else if (expires->is_number_integer()) {
      grant.expiresIn = std::clamp<std::int64_t>(expires->get<std::int64_t>(), 0, kMaxExpiresIn);
    } else if (expires->is_string()) {
      grant.expiresIn = SecondsOf(expires->get<std::string>());
    }
  }
  grant.account = AccountOf(StringField(j, "id_token"));
  return grant;
}

}  // namespace pw
