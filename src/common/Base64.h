// Base64 (RFC 4648): the standard alphabet with padding for SASL, the URL alphabet without
// padding for PKCE and state.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pw {

std::string Base64Encode(std::string_view data);
std::string Base64UrlEncode(std::string_view data);
// Standard alphabet, padding required; nullopt for anything else.
std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace pw
