// How our commands go on the wire: quoted strings, literals and the waits they need.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pw::imap {

// One command's bytes and the offsets (just after each "{n}\r\n") where a synchronizing
// literal must wait for the server's "+" before the rest may follow.
struct WireCommand {
  std::string bytes;
  std::vector<std::size_t> waits;
};

// CR, LF and NUL cannot be carried by a quoted string, and in a literal they would let a
// password smuggle a command; such texts are refused before anything is sent.
bool HasLineBreakOrNul(std::string_view text);

// Search criteria go on the wire as they are ("RECENT", "SEEN", "SINCE 1-Jan-2024"), so
// only printable ASCII is let through.
bool IsSearchCriteria(std::string_view criteria);

// The comma list of the numbers in a sequence set as the server sent it ("1:3,7" gives
// "1,2,3,7"; a plain comma list stays as it is), written into output. false, with output
// emptied, when the list would be longer than maxBytes.
bool ExpandSet(std::string_view set, std::string& output, std::size_t maxBytes);

// Appends text as a quoted string ("\" and DQUOTE escaped), or, when it holds 8-bit bytes,
// as a literal: "{n+}" with LITERAL+ (RFC 7888), otherwise "{n}" with a wait.
// text must not hold CR, LF or NUL.
void AppendString(WireCommand& command, std::string_view text, bool literalPlus);

}  // namespace pw::imap
