#include "imap/ImapWire.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <utility>

namespace pw::imap {

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsSearchCriteria(std::string_view criteria) {
  return !criteria.empty() && std::all_of(criteria.begin(), criteria.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) <= 0x7E;
  });
}

void AppendString(WireCommand& command, std::string_view text, bool literalPlus) {
  bool eightBit = std::any_of(text.begin(), text.end(),
                              [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (!eightBit) {
    command.bytes += '"';
    for (char c : text) {
      if (c == '"' || c == '\\') command.bytes += '\\';
      command.bytes += c;
    }
    command.bytes += '"';
    return;
  }
  command.bytes += '{' + std::to_string(text.size()) + (literalPlus ? "+}\r\n" : "}\r\n");
  if (!literalPlus) command.waits.push_back(command.bytes.size());
  command.bytes += text;
}

bool ExpandSet(std::string_view set, std::string& output, std::size_t maxBytes) {
  output.clear();
  if (set.find(':') == std::string_view::npos) {
    if (set.size() > maxBytes) return false;
    output.assign(set);
    return true;
  }
  // Takes the next part off rest as (from, to) ascending; false when none is left. The parser let
  // through only nz-number and nz-number ":" nz-number parts.
  auto nextRange = [](std::string_view& rest, std::uint32_t& from, std::uint32_t& to) {
    if (rest.empty()) return false;
    const std::size_t comma = rest.find(',');
    const std::string_view part = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    const std::size_t colon = part.find(':');
    std::from_chars(part.data(), part.data() + part.size(), from);
    to = from;
    if (colon != std::string_view::npos) {
      std::from_chars(part.data() + colon + 1, part.data() + part.size(), to);
      if (to < from) std::swap(from, to);  // "5:3" is the same set as "3:5"
    }
    return true;
  };
  std::uint32_t from = 0;
  std::uint32_t to = 0;
  // The length at most, reserved at once: a large mailbox's text grows without reallocating.
  std::size_t most = 0;
  for (std::string_view rest = set; nextRange(rest, from, to);) {
    char digits[12];
    auto width = static_cast<std::size_t>(std::to_chars(digits, digits + 11, to).ptr - digits);
    most += (std::size_t{to} - from + 1) * (width + 1);
    if (most > maxBytes + 1) return false;
  }
  output.reserve(most);
  // Numbers are written a block at a time and counted up as decimal text, rather than
  // converted one by one: 1:200000 is the common answer for a large mailbox.
  char block[4096];
  std::size_t used = 0;
  auto flush = [&] {
    output.append(block, used);
    used = 0;
    return output.size() <= maxBytes;
  };
  while (nextRange(set, from, to)) {
    char digits[12];
    auto length = static_cast<std::size_t>(std::to_chars(digits, digits + 11, from).ptr - digits);
    for (std::uint32_t n = from;; ++n) {
      if (used + 12 > sizeof block && !flush()) {
        output.clear();
        return false;
      }
      if (used > 0 || !output.empty()) block[used++] = ',';
      std::memcpy(block + used, digits, length);
      used += length;
      if (n == to) break;
      std::size_t i = length;
      while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
      if (i == 0) {
        std::memmove(digits + 1, digits, length++);
        digits[0] = '1';
      } else {
        ++digits[i - 1];
      }
    }
  }
  if (!flush()) {
    output.clear();
    return false;
  }
  return true;
}

}  // namespace pw::imap
