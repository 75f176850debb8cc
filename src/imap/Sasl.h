// The SASL initial responses for signing in with an OAuth2 access token: OAUTHBEARER
// (RFC 7628) and XOAUTH2 (Google's and Microsoft's format), and the answer to an error
// challenge.
#pragma once

#include <string>
#include <string_view>

namespace pw::imap {

enum class OAuthMechanism { OAuthBearer, XOAuth2 };

// The mechanism's name in AUTHENTICATE.
const char* MechanismName(OAuthMechanism mechanism);

// The initial response, base64 encoded. Raises kImapUnsafeText when the user name holds a
// control character or the token is not a bearer token (RFC 6750 b64token).
std::string InitialResponse(OAuthMechanism mechanism, std::string_view user, std::string_view token,
                            std::string_view host, int port);

// What the client sends after the server's error challenge, without the line end: the 0x01
// byte base64 encoded for OAUTHBEARER (RFC 7628 3.2.3), an empty line for XOAUTH2.
std::string ErrorChallengeAnswer(OAuthMechanism mechanism);

}  // namespace pw::imap
