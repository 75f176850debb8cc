// The ENVELOPE of a FETCH response (RFC 3501 7.4.2), read into what the desk is shown.
#pragma once

#include <string_view>

#include "common/MailNews.h"

namespace pw::imap {

// msgAtt is the data after "* n FETCH", literals included: "(UID 7 ENVELOPE (...))". False when
// it holds no well-formed ENVELOPE; uid is then still set where the UID could be read. The
// sender is the first From address's display name, else its address (a group's name where the
// From names only a group), else the Sender's.
bool ParseFetchEnvelope(std::string_view msgAtt, MailEnvelope& envelope);

}  // namespace pw::imap
