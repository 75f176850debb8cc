#include "app/NewMailSignal.h"

#include <charconv>
#include <string_view>
#include <utility>

namespace pw {
namespace {

// Whether the comma list of UIDs holds one in [from, to). "UID n:*" also matches the highest
// UID when that is below n (RFC 3501 6.4.8), and a message that arrives between the SELECT and
// the search lies at or above the UIDNEXT just seen: the next check announces it.
bool AnyInRange(std::string_view uids, std::uint32_t from, std::uint32_t to) {
  while (!uids.empty()) {
    std::size_t comma = uids.find(',');
    std::string_view one = uids.substr(0, comma);
    uids = comma == std::string_view::npos ? std::string_view() : uids.substr(comma + 1);
    std::uint32_t uid = 0;
    std::from_chars(one.data(), one.data() + one.size(), uid);
    if (uid >= from && uid < to) return true;
  }
  return false;
}

}  // namespace

NewMailSignal::NewMailSignal(SettingsStore& settings, std::string account)
    : memory_(settings), account_(std::move(account)), last_(memory_.Read(account_)) {}

std::string NewMailSignal::UidCriteria() const {
  return last_ ? "UID " + std::to_string(last_->uidNext) + ":* UNSEEN" : std::string();
}

void NewMailSignal::Announce(ImapMailbox& inbox) {
  inbox.Announce({"RECENT", "SEEN"}, UidCriteria());
}

bool NewMailSignal::Decide(const std::string& recent, ImapMailbox& inbox) {
  const bool fresh = Evaluate(recent, inbox);
  Remember();
  return fresh;
}

void NewMailSignal::Remember() {
  if (now_) memory_.Write(account_, *now_);
}

bool NewMailSignal::Evaluate(const std::string& recent, ImapMailbox& inbox) {
  bool fresh = !recent.empty();
  now_.reset();
  const InboxMark now{inbox.UidValidity(), inbox.UidNext()};
  if (now.uidValidity == 0 || now.uidNext == 0) return fresh;
  if (!fresh && last_ && last_->uidValidity == now.uidValidity && now.uidNext > last_->uidNext) {
    std::string uids;
    inbox.UidSearch(UidCriteria(), uids);
    fresh = AnyInRange(uids, last_->uidNext, now.uidNext);
  }
  now_ = now;
  return fresh;
}

}  // namespace pw
