#include "imap/ImapParser.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/Text.h"

namespace pw::imap {
namespace {

// ATOM-CHAR of RFC 3501: any 7-bit character except controls and atom-specials.
bool IsAtomChar(char ch) {
  auto c = static_cast<unsigned char>(ch);
  if (c <= 0x20 || c >= 0x7F) return false;
  return std::strchr("(){%*\"\\]", ch) == nullptr;
}

bool IsAtom(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), IsAtomChar);
}

// A tag is made of ASTRING-CHARs other than "+".
bool IsTag(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(),
                                   [](char c) { return c == ']' || (IsAtomChar(c) && c != '+'); });
}

bool IsDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The message data that carries a number before its name (RFC 3501 7.3, 7.4).
bool IsCountName(std::string_view name) {
  return name == "EXISTS" || name == "RECENT" || name == "EXPUNGE" || name == "FETCH";
}

// A 32-bit unsigned decimal number ("number" of RFC 3501).
bool ParseNumber(std::string_view s, std::uint32_t& value) {
  if (!IsDigits(s) || s.size() > 10) return false;
  std::uint64_t v = 0;
  for (char c : s) v = v * 10 + static_cast<std::uint64_t>(c - '0');
  if (v > std::numeric_limits<std::uint32_t>::max()) return false;
  value = static_cast<std::uint32_t>(v);
  return true;
}

// Splits off the text up to the next blank (or the end); the blank is dropped.
std::string_view NextToken(std::string_view& s) {
  std::size_t sp = s.find(' ');
  std::string_view token = s.substr(0, sp);
  s = sp == std::string_view::npos ? std::string_view() : s.substr(sp + 1);
  return token;
}

Condition ConditionOf(std::string_view word) {
  if (EqualsNoCase(word, "OK")) return Condition::Ok;
  if (EqualsNoCase(word, "NO")) return Condition::No;
  if (EqualsNoCase(word, "BAD")) return Condition::Bad;
  if (EqualsNoCase(word, "BYE")) return Condition::Bye;
  if (EqualsNoCase(word, "PREAUTH")) return Condition::Preauth;
  return Condition::None;
}

bool SplitAtoms(std::string_view s, std::vector<std::string>& atoms) {
  while (!s.empty()) {
    std::string_view atom = NextToken(s);
    if (atom.empty()) continue;  // tolerate doubled or trailing blanks
    if (!IsAtom(atom)) return false;
    atoms.push_back(AsciiUpperCase(atom));
  }
  return true;
}

// resp-text: ["[" resp-text-code "]" SP] text, after the condition word and its blank.
bool ParseRespText(std::string_view s, Response& r, std::string& error) {
  if (!s.empty() && s.front() == '[') {
    std::size_t close = s.find(']');
    if (close == std::string_view::npos) {
      error = "response code without ]";
      return false;
    }
    std::string_view inside = s.substr(1, close - 1);
    std::string_view atom = NextToken(inside);
    if (!IsAtom(atom)) {
      error = "bad response code";
      return false;
    }
    r.code = AsciiUpperCase(atom);
    r.codeData = std::string(inside);
    if (r.code == "CAPABILITY" && !SplitAtoms(inside, r.atoms)) {
      error = "bad capability";
      return false;
    }
    s.remove_prefix(close + 1);
    if (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  }
  r.text = std::string(s);
  return true;
}

// A positive 32-bit number without leading zeros (nz-number).
bool IsNzNumber(std::string_view s) {
  std::uint32_t n = 0;
  return !s.empty() && s.front() != '0' && ParseNumber(s, n);
}

// "* SEARCH" *(SP nz-number), optionally followed by the "(MODSEQ n)" of RFC 7162. The numbers
// are kept as the comma list the caller hands on, without a detour through a vector.
bool ParseSearch(std::string_view s, Response& r, std::string& error) {
  r.set.reserve(s.size());
  while (!s.empty()) {
    std::string_view token = NextToken(s);
    if (token.empty()) continue;
    if (token.front() == '(') {
      if (EqualsNoCase(token, "(MODSEQ") && s.size() > 1 && s.back() == ')' &&
          IsDigits(s.substr(0, s.size() - 1))) {
        return true;
      }
      error = "bad SEARCH data";
      return false;
    }
    if (!IsNzNumber(token)) {
      error = "bad number in SEARCH";
      return false;
    }
    if (!r.set.empty()) r.set += ',';
    r.set.append(token);
  }
  return true;
}

// sequence-set of RFC 3501 without "*": nz-number or nz-number ":" nz-number, comma-separated.
bool IsResultSet(std::string_view s) {
  while (true) {
    std::size_t comma = s.find(',');
    std::string_view part = s.substr(0, comma);
    std::size_t colon = part.find(':');
    if (colon == std::string_view::npos) {
      if (!IsNzNumber(part)) return false;
    } else if (!IsNzNumber(part.substr(0, colon)) || !IsNzNumber(part.substr(colon + 1))) {
      return false;
    }
    if (comma == std::string_view::npos) return true;
    s.remove_prefix(comma + 1);
  }
}

// "* ESEARCH" [SP "(TAG" SP tag-string ")"] [SP "UID"] *(SP name SP value) of RFC 4731; ALL
// stays the compact sequence set the server sent.
bool ParseEsearch(std::string_view s, Response& r, std::string& error) {
  if (!s.empty() && s.front() == '(') {
    std::size_t close = s.find(')');
    if (close == std::string_view::npos) {
      error = "bad ESEARCH correlator";
      return false;
    }
    std::string_view inside = s.substr(1, close - 1);
    if (!EqualsNoCase(NextToken(inside), "TAG")) {
      error = "bad ESEARCH correlator";
      return false;
    }
    if (inside.size() >= 2 && inside.front() == '"' && inside.back() == '"') {
      inside = inside.substr(1, inside.size() - 2);
    }
    if (!IsTag(inside)) {
      error = "bad ESEARCH correlator";
      return false;
    }
    r.correlator = std::string(inside);
    s.remove_prefix(close + 1);
    if (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  }
  bool first = true;
  while (!s.empty()) {
    std::string_view name = NextToken(s);
    if (first && EqualsNoCase(name, "UID")) {
      r.uid = true;
      first = false;
      continue;
    }
    first = false;
    std::string_view value = NextToken(s);
    if (!IsAtom(name) || value.empty() || value.front() == '(') {
      error = "bad ESEARCH data";
      return false;
    }
    if (EqualsNoCase(name, "ALL")) {
      if (!IsResultSet(value)) {
        error = "bad sequence set in ESEARCH";
        return false;
      }
      r.set = std::string(value);
    }
  }
  return true;
}

// The first line of a complete response; `all` is the whole response with its literals.
bool Decode(std::string_view line, std::string_view all, Response& r, std::string& error) {
  if (line.front() == '+') {
    r.kind = ResponseKind::Continuation;
    line.remove_prefix(1);
    if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    r.text = std::string(line);
    return true;
  }
  std::string_view rest = line;
  std::string_view first = NextToken(rest);
  if (first != "*") {
    r.kind = ResponseKind::Tagged;
    if (!IsTag(first)) {
      error = "bad tag";
      return false;
    }
    r.tag = std::string(first);
    r.condition = ConditionOf(NextToken(rest));
    if (r.condition != Condition::Ok && r.condition != Condition::No &&
        r.condition != Condition::Bad) {
      error = "tagged response without OK, NO or BAD";
      return false;
    }
    return ParseRespText(rest, r, error);
  }

  r.kind = ResponseKind::Untagged;
  std::string_view word = NextToken(rest);
  if (IsDigits(word)) {
    if (!ParseNumber(word, r.number)) {
      error = "number too large";
      return false;
    }
    r.hasNumber = true;
    word = NextToken(rest);
  }
  if (!IsAtom(word)) {
    error = "untagged response without a name";
    return false;
  }
  r.name = AsciiUpperCase(word);
  if (!r.hasNumber && ConditionOf(r.name) == Condition::None) {
    // "* -5 EXISTS", "* abc EXISTS", "* EXISTS": a count that is no number is no count at all.
    std::string_view after = rest;
    const std::string second = AsciiUpperCase(NextToken(after));
    if (IsCountName(r.name) || IsCountName(second)) {
      error = "bad message count";
      return false;
    }
  }
  if (r.hasNumber) {
    if (r.name == "EXISTS" || r.name == "RECENT" || r.name == "EXPUNGE") {
      if (!rest.empty()) {
        error = "text after " + r.name;
        return false;
      }
      return true;
    }
  } else {
    r.condition = ConditionOf(r.name);
    if (r.condition != Condition::None) {
      r.name.clear();
      return ParseRespText(rest, r, error);
    }
    if (r.name == "SEARCH") return ParseSearch(rest, r, error);
    if (r.name == "ESEARCH") return ParseEsearch(rest, r, error);
    if (r.name == "CAPABILITY") {
      if (!SplitAtoms(rest, r.atoms)) {
        error = "bad capability";
        return false;
      }
      return true;
    }
  }
  // Any other data is kept as it came, literals included, without its final CRLF.
  std::size_t at = rest.empty() ? line.size() : static_cast<std::size_t>(rest.data() - all.data());
  r.data = std::string(all.substr(at, all.size() - 2 - at));
  return true;
}

bool StartsWith(std::string_view input, std::string_view name) {
  if (input.size() < name.size() || !EqualsNoCase(input.substr(0, name.size()), name)) {
    return false;
  }
  return input.size() == name.size() || input[name.size()] == ' ' || input[name.size()] == '\r';
}

// Search results of a large mailbox may run far past an ordinary line.
bool StartsWithSearch(std::string_view input) {
  return StartsWith(input, "* SEARCH") || StartsWith(input, "* ESEARCH");
}

// Untagged data may carry literals; status responses, tagged lines and continuations never do,
// so a text that happens to end in "{5}" there cannot make the parser swallow the next bytes.
bool MayCarryLiterals(std::string_view firstLine) {
  std::string_view rest = firstLine;
  if (NextToken(rest) != "*") return false;
  return ConditionOf(NextToken(rest)) == Condition::None;
}

// A line ending in "{n}" (or "~{n}", RFC 3516) announces a literal of n bytes.
bool EndsWithLiteral(std::string_view line, std::size_t& size) {
  if (line.empty() || line.back() != '}') return false;
  std::size_t open = line.rfind('{');
  if (open == std::string_view::npos) return false;
  std::string_view digits = line.substr(open + 1, line.size() - open - 2);
  std::uint32_t n = 0;
  if (!ParseNumber(digits, n)) return false;
  size = n;
  return true;
}

}  // namespace

void ResponseParser::Reset() {
  scanned_ = 0;
  lineStart_ = 0;
  lineBytes_ = 0;
  literalBytes_ = 0;
  literalLeft_ = 0;
  literalsAllowed_ = false;
}

std::size_t ResponseParser::LineCap(std::string_view input) const {
  return lineStart_ == 0 && StartsWithSearch(input) ? limits_.maxSearchLine : limits_.maxLine;
}

ParseStatus ResponseParser::Frame(std::string_view input, std::string& error) {
  for (;;) {
    if (literalLeft_ > 0) {
      std::size_t take = std::min(input.size() - scanned_, literalLeft_);
      scanned_ += take;
      literalLeft_ -= take;
      if (literalLeft_ > 0) return ParseStatus::NeedMore;
      lineStart_ = scanned_;
    }
    const void* found = scanned_ < input.size()
                            ? std::memchr(input.data() + scanned_, '\n', input.size() - scanned_)
                            : nullptr;
    if (found == nullptr) {
      scanned_ = input.size();
      if (lineBytes_ + (scanned_ - lineStart_) > LineCap(input)) {
        error = "line too long";
        return ParseStatus::Malformed;
      }
      return ParseStatus::NeedMore;
    }
    auto at = static_cast<std::size_t>(static_cast<const char*>(found) - input.data());
    if (at == lineStart_ || input[at - 1] != '\r') {
      error = "line not ended by CRLF";
      return ParseStatus::Malformed;
    }
    std::string_view line = input.substr(lineStart_, at - 1 - lineStart_);
    lineBytes_ += line.size() + 2;
    if (lineBytes_ > LineCap(input)) {
      error = "line too long";
      return ParseStatus::Malformed;
    }
    if (line.find('\r') != std::string_view::npos || line.find('\0') != std::string_view::npos) {
      error = "CR or NUL inside a line";
      return ParseStatus::Malformed;
    }
    if (lineStart_ == 0) {
      if (line.empty()) {
        error = "empty line";
        return ParseStatus::Malformed;
      }
      literalsAllowed_ = MayCarryLiterals(line);
    }
    scanned_ = at + 1;
    std::size_t literal = 0;
    if (!literalsAllowed_ || !EndsWithLiteral(line, literal)) return ParseStatus::Complete;
    if (literal > limits_.maxLiterals - literalBytes_) {
      error = "literal too large";
      return ParseStatus::Malformed;
    }
    literalBytes_ += literal;
    literalLeft_ = literal;
    lineStart_ = scanned_;
  }
}

ParseResult ResponseParser::Parse(std::string_view input, Response& response) {
  ParseResult result;
  result.status = Frame(input, result.error);
  if (result.status == ParseStatus::NeedMore) return result;
  std::size_t size = scanned_;
  Reset();
  if (result.status == ParseStatus::Malformed) return result;

  std::string_view all = input.substr(0, size);
  std::string_view firstLine = all.substr(0, all.find("\r\n"));
  response = Response{};
  if (!Decode(firstLine, all, response, result.error)) {
    result.status = ParseStatus::Malformed;
    return result;
  }
  result.consumed = size;
  return result;
}

}  // namespace pw::imap
