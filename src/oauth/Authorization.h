// The browser's part of the sign-in: PKCE (RFC 7636), the authorization request, and the
// redirect that comes back to the loopback listener (RFC 8252).
#pragma once

#include <string>
#include <string_view>

#include "oauth/OAuthConfig.h"
#include "platform/Crypto.h"

namespace pw {

// The secrets of one sign-in: the code verifier, its S256 challenge, and the state.
struct PkcePair {
  std::string verifier;
  std::string challenge;
  std::string state;
};

// 32 random bytes each for verifier and state, in the URL alphabet (43 characters).
PkcePair MakePkce(Crypto& crypto);
// BASE64URL(SHA256(verifier)), without padding.
std::string S256Challenge(Crypto& crypto, const std::string& verifier);

// application/x-www-form-urlencoded, RFC 3986 unreserved characters kept.
std::string FormEncode(std::string_view text);

std::string AuthorizationUrl(const OAuthConfig& config, const std::string& redirectUri,
                             const PkcePair& pkce);

// What the browser's request to the listener said.
struct Redirect {
  enum class Kind {
    Code,      // code and the right state: go on with the token request
    Error,     // the provider sent error= with the right state (the user declined, say)
    Foreign,   // a state that is not ours, or no state: refused
    Unrelated  // not the redirect at all (favicon.ico, a bare "/"): answered 404, wait on
  };
  Kind kind = Kind::Unrelated;
  std::string code;
  std::string error;      // error and error_description, for the message
  std::string errorCode;  // error alone (RFC 6749 4.1.2.1)
};

// requestHead: the request line and headers as received.
Redirect ParseRedirect(std::string_view requestHead, const std::string& expectedState);

// The complete HTTP response for the browser tab: a short German page.
std::string RedirectPage(bool success);
std::string NotFoundResponse();

}  // namespace pw
