// Creates the application's IMAP component over this platform's sockets.
#pragma once

#include <memory>

#include "common/ImapComponent.h"
#include "platform/Transport.h"

namespace pw {

// The pump is served whenever a call waits on the network (see WaitPump).
std::unique_ptr<ImapComponent> MakeImapClient(WaitPump pump = {});

}  // namespace pw
