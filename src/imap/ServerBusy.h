// Answers of a server that asks for patience: full, throttling or briefly unable to sign in.
#pragma once

#include <optional>
#include <string_view>

namespace pw::imap {

// RFC 5530's UNAVAILABLE, LIMIT and INUSE, or Exchange Online's "Request is throttled".
bool AsksForPatience(std::string_view code, std::string_view text);

// The wait the server suggests ("Suggested Backoff Time: N milliseconds"), in milliseconds;
// nothing when the text names none.
std::optional<long long> SuggestedBackoffMs(std::string_view text);

}  // namespace pw::imap
