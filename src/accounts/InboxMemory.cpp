#include "accounts/InboxMemory.h"

#include <charconv>

#include "common/AppError.h"
#include "platform/Trace.h"

namespace pw {
namespace {

bool ParsePositive(std::string_view text, std::uint32_t& value) {
  if (text.empty() || text.front() == '0') return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string InboxMemory::Format(InboxMark mark) {
  return std::to_string(mark.uidValidity) + " " + std::to_string(mark.uidNext);
}

std::optional<InboxMark> InboxMemory::Parse(const std::string& text) {
  std::string_view s = text;
  std::size_t blank = s.find(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  InboxMark mark;
  if (!ParsePositive(s.substr(0, blank), mark.uidValidity) ||
      !ParsePositive(s.substr(blank + 1), mark.uidNext)) {
    return std::nullopt;
  }
  return mark;
}

std::optional<InboxMark> InboxMemory::Read(const std::string& account) {
  return Parse(settings_.GetSetting(kSettingsApp, kSectionInbox, account, ""));
}

void InboxMemory::Write(const std::string& account, InboxMark mark) {
  const std::string text = Format(mark);
  try {
    if (settings_.GetSetting(kSettingsApp, kSectionInbox, account, "") == text) return;
    settings_.SaveSetting(kSettingsApp, kSectionInbox, account, text);
  } catch (const AppError&) {
    // Without the mark the next run decides by RECENT alone again.
    TraceIgnored("InboxMemory.Write");
  }
}

void InboxMemory::Forget(const std::string& account) {
  try {
    settings_.DeleteSetting(kSettingsApp, kSectionInbox, account);
  } catch (const AppError&) {
    // Nothing was remembered, or the mark stays and belongs to no account any more.
    TraceIgnored("InboxMemory.Forget");
  }
}

}  // namespace pw
