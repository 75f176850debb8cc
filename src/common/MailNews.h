// What the desk is told of a mailbox's new mail: the newest messages' senders and subjects and how
// many there are, and the lines the dialog and the balloon show of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pw {

// One message as its envelope named it, decoded and cleaned for a window; "" where it named
// nothing usable.
struct MailEnvelope {
  std::uint32_t uid = 0;  // or the sequence number where the UID is unknown
  std::string sender;     // the display name, else the address
  std::string subject;
  std::string date;
};

struct MailNews {
  std::uint32_t count = 0;           // announced messages in all
  std::vector<MailEnvelope> newest;  // newest first, at most kMaxNewsFetched
};

inline constexpr std::size_t kMaxNewsFetched = 5;
inline constexpr std::size_t kMaxNewsLines = 3;
// Characters of one line at most, "..." included.
inline constexpr std::size_t kMaxNewsLineChars = 80;

// "<Absender> – <Betreff>" of up to maxLines messages, newest first, and "… und N weitere" for the
// rest of the count; nothing without envelopes and nothing when the count is 0.
std::vector<std::string> NewsLines(const MailNews& news, std::size_t maxLines = kMaxNewsLines);

}  // namespace pw
