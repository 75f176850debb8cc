#include "accounts/InboxMemory.h"

#include <charconv>

#include "common/AppError.h"

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
  return Parse(settings_.GetSetting(kInboxMemoryApp, kInboxMemorySection, account, ""));
}

void InboxMemory::Write(const std::string& account, InboxMark mark) {
  const std::string text = Format(mark);
  try {
    if (settings_.GetSetting(kInboxMemoryApp, kInboxMemorySection, account, "") == text) return;
    settings_.SaveSetting(kInboxMemoryApp, kInboxMemorySection, account, text);
  } catch (const AppError&) {
  }
}

void InboxMemory::Forget(const std::string& account) {
  try {
    settings_.DeleteSetting(kInboxMemoryApp, kInboxMemorySection, account);
  } catch (const AppError&) {
    // Nothing was remembered.
  }
}

}  // namespace pw
