// Error numbers of the IMAP client beyond the transport's, and their German descriptions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/ImapComponent.h"
#include "common/AppError.h"

namespace pw::imap {

// 11101 and 12011 come from the component's table (ImapComponent.h); these are our own.
inline constexpr std::int32_t kMalformedReply = 12110;
inline constexpr std::int32_t kCommandFailed = 12111;    // NO to a command after the login
inline constexpr std::int32_t kCommandRejected = 12112;  // BAD to any command
inline constexpr std::int32_t kUnsafeText = 12113;       // CR, LF or NUL in user name or password
inline constexpr std::int32_t kNotSignedIn = 12114;
inline constexpr std::int32_t kLoginDisabled = 12115;  // the server allows no plain-text login
inline constexpr std::int32_t kBadArgument = 12116;    // unusable port, mailbox name or key

AppError Error(std::int32_t number, std::string description);

// A server's text made fit for a message box: printable, valid UTF-8, at most 200 bytes.
std::string ServerText(std::string_view text);

}  // namespace pw::imap
