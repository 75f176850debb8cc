// Password scrambling on the ANSI code page with the mask 3.
#include "accounts/Passwort.h"

#include "common/Ansi.h"

namespace pw::Passwort {
namespace {
constexpr unsigned char kMask = 3;
}  // namespace

std::string Umwandeln(const std::string& text) {
  std::string codes = ToAnsi(text);
  for (char& c : codes) c = static_cast<char>(static_cast<unsigned char>(c) ^ kMask);
  return FromAnsi(codes);
}

bool IsStorable(const std::string& password) {
  std::string codes = ToAnsi(password);
  return codes.find('\x03') == std::string::npos && FromAnsi(codes) == password;
}

}  // namespace pw::Passwort
