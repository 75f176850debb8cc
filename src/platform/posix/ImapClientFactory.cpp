#include "platform/ImapClientFactory.h"

#include "app/imap/ImapClient.h"

namespace pw {

std::unique_ptr<ImapComponent> MakeImapClient() {
  return std::make_unique<ImapClient>([] { return MakeSocketTransport(); }, imap::ParserLimits{},
                                      [](const std::string& host) { return MakeTlsEngine(host); });
}

}  // namespace pw
