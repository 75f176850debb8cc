// A small reader of IMAP values (atoms, quoted strings, literals, lists) for FETCH ENVELOPE.
#include "imap/Envelope.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/HeaderText.h"
#include "common/Text.h"

namespace pw::imap {
namespace {

constexpr int kMaxDepth = 8;

struct Value {
  enum class Kind { Nil, Atom, String, List } kind = Kind::Nil;
  std::string text;
  std::vector<Value> items;
};

class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) {}

  bool Read(Value& v, int depth) {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
    if (pos_ >= s_.size() || depth > kMaxDepth) return false;
    const char c = s_[pos_];
    if (c == '(') {
      ++pos_;
      v.kind = Value::Kind::List;
      for (;;) {
        while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
        if (pos_ >= s_.size()) return false;
        if (s_[pos_] == ')') {
          ++pos_;
          return true;
        }
        Value item;
        if (!Read(item, depth + 1)) return false;
        v.items.push_back(std::move(item));
      }
    }
    if (c == '"') return Quoted(v);
    if (c == '{' || (c == '~' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '{')) return Literal(v);
    return Atom(v);
  }

 private:
  bool Quoted(Value& v) {
    v.kind = Value::Kind::String;
    for (++pos_; pos_ < s_.size(); ++pos_) {
      char c = s_[pos_];
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c == '\\') {
        if (++pos_ >= s_.size()) return false;
        c = s_[pos_];
      }
      v.text += c;
    }
    return false;
  }

  bool Literal(Value& v) {
    if (s_[pos_] == '~') ++pos_;
    const std::size_t close = s_.find('}', pos_);
    if (close == std::string_view::npos) return false;
    std::uint64_t n = 0;
    const std::string_view digits = s_.substr(pos_ + 1, close - pos_ - 1);
    if (digits.empty() || digits.size() > 9) return false;
    for (char d : digits) {
      if (d < '0' || d > '9') return false;
      n = n * 10 + static_cast<std::uint64_t>(d - '0');
    }
    if (s_.substr(close + 1, 2) != "\r\n") return false;
    const std::size_t start = close + 3;
    if (n > s_.size() - start) return false;
    v.kind = Value::Kind::String;
    v.text = std::string(s_.substr(start, n));
    pos_ = start + n;
    return true;
  }

  bool Atom(Value& v) {
    const std::size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] != ' ' && s_[pos_] != '(' && s_[pos_] != ')') {
      // BODY[HEADER.FIELDS (FROM)]: the brackets hold blanks and lists of their own.
      if (s_[pos_] == '[') {
        const std::size_t close = s_.find(']', pos_);
        if (close == std::string_view::npos) return false;
        pos_ = close;
      }
      ++pos_;
    }
    if (pos_ == start) return false;
    v.text = std::string(s_.substr(start, pos_ - start));
    if (EqualsNoCase(v.text, "NIL")) {
      v.kind = Value::Kind::Nil;
      v.text.clear();
    } else {
      v.kind = Value::Kind::Atom;
    }
    return true;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

bool IsString(const Value& v) { return v.kind == Value::Kind::String; }
bool IsNString(const Value& v) { return IsString(v) || v.kind == Value::Kind::Nil; }

std::string Display(std::string_view raw) { return CleanForDisplay(DecodeHeader(raw)); }

// A display name as mail programs quote it again inside the phrase: "'Anna'" or "\"Anna\"".
std::string Unquoted(std::string text) {
  while (text.size() >= 2 && ((text.front() == '"' && text.back() == '"') ||
                              (text.front() == '\'' && text.back() == '\''))) {
    text = text.substr(1, text.size() - 2);
  }
  return text;
}

// The first member of an address list (from, sender) as one text; groups (RFC 3501: a group
// starts with a NIL host and a name in the mailbox field, and ends with NIL NIL NIL NIL).
std::optional<std::string> Sender(const Value& list) {
  if (list.kind == Value::Kind::Nil) return std::string();
  if (list.kind != Value::Kind::List) return std::nullopt;
  std::string group;
  for (const Value& a : list.items) {
    if (a.kind != Value::Kind::List || a.items.size() != 4) return std::nullopt;
    for (const Value& f : a.items) {
      if (!IsNString(f)) return std::nullopt;
    }
    const Value& name = a.items[0];
    const Value& mailbox = a.items[2];
    const Value& host = a.items[3];
    if (host.kind == Value::Kind::Nil) {
      if (mailbox.kind != Value::Kind::Nil && group.empty()) group = Display(mailbox.text);
      continue;
    }
    std::string shown = Unquoted(Display(name.text));
    if (!shown.empty()) return shown;
    std::string address = Display(mailbox.text);
    if (!host.text.empty()) address += "@" + Display(host.text);
    if (!address.empty()) return address;
  }
  return group;
}

}  // namespace

bool ParseFetchEnvelope(std::string_view msgAtt, MailEnvelope& envelope) {
  Value all;
  Reader reader(msgAtt);
  if (!reader.Read(all, 0) || all.kind != Value::Kind::List) return false;
  const Value* found = nullptr;
  for (std::size_t i = 0; i + 1 < all.items.size(); i += 2) {
    const Value& name = all.items[i];
    const Value& value = all.items[i + 1];
    if (name.kind != Value::Kind::Atom) return false;
    if (EqualsNoCase(name.text, "UID") && value.kind == Value::Kind::Atom) {
      std::uint64_t uid = 0;
      for (char d : value.text) {
        if (d < '0' || d > '9' || uid > 0xFFFFFFFFull) return false;
        uid = uid * 10 + static_cast<std::uint64_t>(d - '0');
      }
      if (uid == 0 || uid > 0xFFFFFFFFull) return false;
      envelope.uid = static_cast<std::uint32_t>(uid);
    } else if (EqualsNoCase(name.text, "ENVELOPE")) {
      found = &value;
    }
  }
  if (found == nullptr || found->kind != Value::Kind::List || found->items.size() < 4) {
    return false;
  }
  const std::vector<Value>& f = found->items;
  if (!IsNString(f[0]) || !IsNString(f[1])) return false;
  std::optional<std::string> from = Sender(f[2]);
  if (!from) return false;
  if (from->empty()) {
    from = Sender(f[3]);
    if (!from) return false;
  }
  envelope.date = CleanForDisplay(f[0].text);
  envelope.subject = Display(f[1].text);
  envelope.sender = *from;
  return true;
}

}  // namespace pw::imap
