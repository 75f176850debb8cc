// Whether an account has new mail: the \Recent result as ever, and besides it messages that
// arrived since the last check and are still unseen, whose \Recent mark another client took.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "accounts/InboxMemory.h"
#include "common/ImapComponent.h"
#include "common/MailNews.h"
#include "common/SettingsNames.h"

namespace pw {

// The switch "Absender anzeigen" (default kSwitchYes): anything but a plain no shows them.
bool ShowsSender(const std::string& value);

// One per account and check. \Recent goes to the one session that selects the mailbox first
// after a message arrived, so an Outlook, a phone or a webmail that looks first leaves none for
// us; RFC 9051 servers drop it altogether. The UIDs at or above the UIDNEXT of the previous
// check catch those. Without a memory of the same UIDVALIDITY, \Recent alone decides, so a first
// check announces no old mail.
class NewMailSignal {
 public:
  // showSender: the newest messages' envelopes are fetched for News, with the remembered UIDNEXT
  // in the burst of the searches.
  NewMailSignal(SettingsStore& settings, std::string account, bool showSender = false);

  // Before the searches: names everything the check asks of inbox, for one burst.
  void Announce(ImapMailbox& inbox);
  // After the searches: whether the account has new mail; remembers the mailbox's mark.
  bool Decide(const std::string& recent, ImapMailbox& inbox);
  // Decide in two halves, for a check whose network part runs on a worker: Evaluate asks the
  // mailbox only, Remember writes the mark on the window's thread.
  bool Evaluate(const std::string& recent, ImapMailbox& inbox);
  void Remember();
  // After Decide said yes: how many messages it announces and the newest ones' envelopes; empty
  // without showSender. The UIDs above the remembered UIDNEXT where there are some, else the
  // \Recent messages, whose envelopes take one more turn.
  MailNews News(ImapMailbox& inbox);

 private:
  std::string UidCriteria() const;

  bool showSender_;
  std::string recent_;
  std::vector<std::uint32_t> newUids_;

  InboxMemory memory_;
  std::string account_;
  std::optional<InboxMark> last_;
  std::optional<InboxMark> now_;
};

}  // namespace pw
