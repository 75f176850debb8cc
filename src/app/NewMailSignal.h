// Whether an account has new mail: the \Recent result as ever, and besides it messages that
// arrived since the last check and are still unseen, whose \Recent mark another client took.
#pragma once

#include <optional>
#include <string>

#include "accounts/InboxMemory.h"
#include "common/ImapComponent.h"

namespace pw {

// One per account and check. \Recent goes to the one session that selects the mailbox first
// after a message arrived, so an Outlook, a phone or a webmail that looks first leaves none for
// us; RFC 9051 servers drop it altogether. The UIDs at or above the UIDNEXT of the previous
// check catch those. Without a memory of the same UIDVALIDITY, \Recent alone decides, so a first
// check announces no old mail.
class NewMailSignal {
 public:
  NewMailSignal(SettingsStore& settings, std::string account);

  // Before the searches: names everything the check asks of inbox, for one burst.
  void Announce(ImapMailbox& inbox);
  // After the searches: whether the account has new mail; remembers the mailbox's mark.
  bool Decide(const std::string& recent, ImapMailbox& inbox);
  // Decide in two halves, for a check whose network part runs on a worker: Evaluate asks the
  // mailbox only, Remember writes the mark on the window's thread.
  bool Evaluate(const std::string& recent, ImapMailbox& inbox);
  void Remember();

 private:
  std::string UidCriteria() const;

  InboxMemory memory_;
  std::string account_;
  std::optional<InboxMark> last_;
  std::optional<InboxMark> now_;
};

}  // namespace pw
