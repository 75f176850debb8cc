#include "app/NewMailSignal.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>

#include "common/Text.h"

namespace pw {
namespace {

// The numbers of the comma list in [from, to). "UID n:*" also matches the highest UID when that
// is below n (RFC 3501 6.4.8), and a message that arrives between the SELECT and the search lies
// at or above the UIDNEXT just seen: the next check announces it.
std::vector<std::uint32_t> InRange(std::string_view uids, std::uint32_t from, std::uint32_t to) {
  std::vector<std::uint32_t> found;
  while (!uids.empty()) {
    std::size_t comma = uids.find(',');
    std::string_view one = uids.substr(0, comma);
    uids = comma == std::string_view::npos ? std::string_view() : uids.substr(comma + 1);
    std::uint32_t uid = 0;
    std::from_chars(one.data(), one.data() + one.size(), uid);
    if (uid >= from && uid < to) found.push_back(uid);
  }
  return found;
}

// The newest (highest) numbers first, at most kMaxNewsFetched, as a comma list.
std::string NewestSet(std::vector<std::uint32_t>& numbers) {
  std::sort(numbers.begin(), numbers.end(), std::greater<>());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  std::string set;
  for (std::size_t i = 0; i < numbers.size() && i < kMaxNewsFetched; ++i) {
    if (!set.empty()) set += ',';
    set += std::to_string(numbers[i]);
  }
  return set;
}

}  // namespace

bool ShowsSender(const std::string& value) {
  const std::string_view v = Trim(value);
  return !(EqualsNoCase(v, kSwitchNo) || EqualsNoCase(v, "0") || EqualsNoCase(v, "No") ||
           EqualsNoCase(v, "False") || EqualsNoCase(v, "Falsch"));
}

NewMailSignal::NewMailSignal(SettingsStore& settings, std::string account, bool showSender)
    : showSender_(showSender),
      memory_(settings),
      account_(std::move(account)),
      last_(memory_.Read(account_)) {}

std::string NewMailSignal::UidCriteria() const {
  return last_ ? "UID " + std::to_string(last_->uidNext) + ":* UNSEEN" : std::string();
}

void NewMailSignal::Announce(ImapMailbox& inbox) {
  inbox.Announce({"RECENT", "SEEN"}, UidCriteria());
  // The next UIDs are most likely the new messages: their envelopes come in the same burst.
  if (showSender_ && last_) inbox.AnnounceEnvelopes(last_->uidNext, kMaxNewsFetched);
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
  recent_ = recent;
  newUids_.clear();
  const InboxMark now{inbox.UidValidity(), inbox.UidNext()};
  if (now.uidValidity == 0 || now.uidNext == 0) return fresh;
  if ((!fresh || showSender_) && last_ && last_->uidValidity == now.uidValidity &&
      now.uidNext > last_->uidNext) {
    std::string uids;
    inbox.UidSearch(UidCriteria(), uids);
    newUids_ = InRange(uids, last_->uidNext, now.uidNext);
    fresh = fresh || !newUids_.empty();
  }
  now_ = now;
  return fresh;
}

MailNews NewMailSignal::News(ImapMailbox& inbox) {
  MailNews news;
  if (!showSender_) return news;
  bool byUid = true;
  std::vector<std::uint32_t> numbers = newUids_;
  if (numbers.empty()) {
    byUid = false;
    numbers = InRange(recent_, 1, UINT32_MAX);
  }
  if (numbers.empty()) return news;
  const std::string set = NewestSet(numbers);
  news.count = static_cast<std::uint32_t>(numbers.size());
  news.newest = inbox.Envelopes(set, byUid);
  std::sort(news.newest.begin(), news.newest.end(),
            [](const MailEnvelope& a, const MailEnvelope& b) { return a.uid > b.uid; });
  if (news.newest.size() > kMaxNewsFetched) news.newest.resize(kMaxNewsFetched);
  return news;
}

}  // namespace pw
