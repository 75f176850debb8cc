#include "app/imap/ImapWire.h"

#include <algorithm>

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

}  // namespace pw::imap
