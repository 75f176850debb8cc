// What the check run remembers of each account's INBOX from one check to the next, across
// restarts: UIDVALIDITY and UIDNEXT, in the settings section "Eingang".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/SettingsNames.h"
#include "registry/SettingsStore.h"

namespace pw {

struct InboxMark {
  std::uint32_t uidValidity = 0;
  std::uint32_t uidNext = 0;
  bool operator==(const InboxMark&) const = default;
};

// One REG_SZ value per account, named after its display name: "UIDVALIDITY UIDNEXT".
class InboxMemory {
 public:
  explicit InboxMemory(SettingsStore& settings) : settings_(settings) {}

  // Nothing when nothing is stored or the text is not two positive numbers.
  std::optional<InboxMark> Read(const std::string& account);
  // Writes only when the stored text differs. A failing write is passed over: the worst it
  // costs is one announcement more.
  void Write(const std::string& account, InboxMark mark);
  // An account that is removed takes its memory along.
  void Forget(const std::string& account);

  static std::string Format(InboxMark mark);
  static std::optional<InboxMark> Parse(const std::string& text);

 private:
  SettingsStore& settings_;
};

}  // namespace pw
