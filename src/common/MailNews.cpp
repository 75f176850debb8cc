// The lines shown of a mailbox's new mail.
#include "common/MailNews.h"

#include "common/ErrorCatalog.h"
#include "common/HeaderText.h"
#include "common/Texts.h"

namespace pw {

std::vector<std::string> NewsLines(const MailNews& news, std::size_t maxLines) {
  std::vector<std::string> lines;
  for (const MailEnvelope& e : news.newest) {
    if (lines.size() == maxLines) break;
    const std::string subject = e.subject.empty() ? std::string(kNewMailNoSubject) : e.subject;
    lines.push_back(Shorten(e.sender.empty() ? subject : e.sender + kNewMailLineSeparator + subject,
                            kMaxNewsLineChars));
  }
  if (lines.empty()) return lines;
  if (news.count > lines.size()) {
    lines.push_back(FillIn(kNewMailMore, {std::to_string(news.count - lines.size())}));
  }
  return lines;
}

}  // namespace pw
