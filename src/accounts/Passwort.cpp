// Password scrambling on Windows-1252 with the mask 3.
#include "accounts/Passwort.h"

#include "common/Windows1252.h"

namespace pw::Passwort {
namespace {
constexpr unsigned char kMask = 3;
}  // namespace

std::string Umwandeln(const std::string& text) {
  std::string codes = To1252(text);
  for (char& c : codes) c = static_cast<char>(static_cast<unsigned char>(c) ^ kMask);
  return From1252(codes);
}

bool IsStorable(const std::string& password) {
  std::string codes = To1252(password);
  return codes.find('\x03') == std::string::npos && From1252(codes) == password;
}

std::string Speicherform(const std::string& password) { return To1252(Umwandeln(password)); }

std::string AusSpeicherform(const std::string& stored) { return Umwandeln(From1252(stored)); }

}  // namespace pw::Passwort
