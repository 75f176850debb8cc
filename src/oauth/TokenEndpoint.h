// The token endpoint (RFC 6749 4.1.3 and 6): the request bodies and the reading of the answer.
#pragma once

#include <cstdint>
#include <string>

#include "oauth/OAuthConfig.h"
#include "platform/Http.h"

namespace pw {

// The longest lifetime taken from an answer: a day. A longer one is renewed early, and a huge
// one cannot overflow the renewal's arithmetic.
inline constexpr std::int64_t kMaxExpiresIn = 24 * 60 * 60;

struct TokenGrant {
  std::string accessToken;
  std::string refreshToken;    // empty when the provider sent none (the old one stays)
  std::int64_t expiresIn = 0;  // seconds, 0 to kMaxExpiresIn; 0 when none was named
  std::string account;         // who signed in, where the answer tells (display only)
};

std::string CodeRequestBody(const OAuthConfig& config, const std::string& code,
                            const std::string& redirectUri, const std::string& verifier);
std::string RefreshRequestBody(const OAuthConfig& config, const std::string& refreshToken);

// The grant from a 200 answer. Otherwise raises: kOAuthSignInRequired for invalid_grant (the
// refresh token expired, revoked or its consent withdrawn), kNetUnreachable for 502, 503 and
// 504 (the provider is out of reach behind its gateway), kOAuthProviderError for every other
// error and for an answer that is not the JSON it should be. No token ever goes into a text.
TokenGrant ParseTokenResponse(const HttpResponse& response);

}  // namespace pw
