// Creates the application's IMAP component over the platform's sockets and TLS engine; the one
// recipe for every platform, compiled where the program links its platform edge.
#pragma once

#include <memory>
#include <string>

#include "common/ImapComponent.h"
#include "imap/ImapClient.h"
#include "imap/SharedAddresses.h"
#include "platform/Resolver.h"
#include "platform/Tls.h"
#include "platform/Transport.h"

namespace pw {

// The pump is served whenever a call waits on the network (see WaitPump).
inline std::unique_ptr<ImapComponent> MakeImapClient(WaitPump pump = {}) {
  auto client = std::make_unique<ImapClient>(
      [pump] { return MakeSocketTransport(pump); }, imap::ParserLimits{},
      [](const std::string& host) { return MakeTlsEngine(host); });
  client->SetResolver(MakeSystemResolver(pump));
  return client;
}

// A connection of the check run's workers: it looks the server up through addresses shared
// with the others.
inline std::unique_ptr<ImapComponent> MakeImapClient(WaitPump pump,
                                                     std::shared_ptr<SharedAddresses> shared) {
  auto client = std::make_unique<ImapClient>(
      [pump] { return MakeSocketTransport(pump); }, imap::ParserLimits{},
      [](const std::string& host) { return MakeTlsEngine(host); });
  client->SetResolver(
      std::make_unique<SharedResolver>(std::move(shared), MakeSystemResolver(pump)));
  return client;
}

}  // namespace pw
