// Creates the application's IMAP component over this platform's sockets.
#pragma once

#include <memory>

#include "app/ImapComponent.h"

namespace pw {

std::unique_ptr<ImapComponent> MakeImapClient();

}  // namespace pw
