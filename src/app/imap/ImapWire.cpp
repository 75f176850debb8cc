#include "app/imap/ImapWire.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
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
  char digits[16];
  auto append = [&](std::uint32_t n) {
    if (!output.empty()) output += ',';
    auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    output.append(digits, end);
  };
  // The parser let through only nz-number and nz-number ":" nz-number parts.
  while (!set.empty()) {
    std::size_t comma = set.find(',');
    std::string_view part = set.substr(0, comma);
    set = comma == std::string_view::npos ? std::string_view() : set.substr(comma + 1);
    std::size_t colon = part.find(':');
    std::uint32_t from = 0;
    std::uint32_t to = 0;
    std::from_chars(part.data(), part.data() + part.size(), from);
    if (colon == std::string_view::npos) {
      to = from;
    } else {
      std::from_chars(part.data() + colon + 1, part.data() + part.size(), to);
      if (to < from) std::swap(from, to);  // "5:3" is the same set as "3:5"
    }
    for (std::uint32_t n = from;; ++n) {
      append(n);
      if (output.size() > maxBytes) {
        output.clear();
        return false;
      }
      if (n == to) break;
    }
  }
  return true;
}

}  // namespace pw::imap
