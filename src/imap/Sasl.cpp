// The OAuth2 SASL strings.
#include "imap/Sasl.h"

#include "common/Base64.h"
#include "common/Text.h"
#include "imap/ImapErrors.h"

namespace pw::imap {
namespace {

bool HasControl(std::string_view s) {
  for (unsigned char c : s) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

// RFC 5801's saslname: "," and "=" escaped.
std::string SaslName(std::string_view user) {
  std::string out;
  for (char c : user) {
    if (c == ',') {
      out += "=2C";
    } else if (c == '=') {
      out += "=3D";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

const char* MechanismName(OAuthMechanism mechanism) {
  return mechanism == OAuthMechanism::OAuthBearer ? "OAUTHBEARER" : "XOAUTH2";
}

std::string InitialResponse(OAuthMechanism mechanism, std::string_view user, std::string_view token,
                            std::string_view host, int port) {
  if (HasControl(user) || HasControl(host) || !IsBearerToken(token)) {
    throw Error(kImapUnsafeText, ErrorDescription(kImapUnsafeText));
  }
  std::string message;
  if (mechanism == OAuthMechanism::OAuthBearer) {
    message = "n,a=" + SaslName(user) + ",\x01host=" + std::string(host) +
              "\x01port=" + std::to_string(port) + "\x01" + "auth=Bearer " + std::string(token) +
              "\x01\x01";
  } else {
    message =
        "user=" + std::string(user) + "\x01" + "auth=Bearer " + std::string(token) + "\x01\x01";
  }
  return Base64Encode(message);
}

std::string ErrorChallengeAnswer(OAuthMechanism mechanism) {
  return mechanism == OAuthMechanism::OAuthBearer ? Base64Encode("\x01") : std::string();
}

}  // namespace pw::imap
