#include "platform/ImapClientFactory.h"

#include "imap/ImapClient.h"

namespace pw {

std::unique_ptr<ImapComponent> MakeImapClient(WaitPump pump) {
  return std::make_unique<ImapClient>([pump] { return MakeSocketTransport(pump); },
                                      imap::ParserLimits{},
                                      [](const std::string& host) { return MakeTlsEngine(host); });
}

}  // namespace pw
