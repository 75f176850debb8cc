// The module Passwort: the fixed scrambling under which "PW" is stored.
#pragma once

#include <string>

namespace pw::Passwort {

// Scrambles a password or unscrambles a stored "PW" (the same step both ways): every character
// is taken as its Windows-1252 code and its two lowest bits are inverted. A character outside
// the code page becomes "?" first. Same length as the input; twice gives the input back.
std::string Umwandeln(const std::string& text);

// Whether the password reads back unchanged once scrambled and stored: not when it holds the
// character with code 3 (it scrambles to NUL, where a registry string ends) or a character
// outside the code page (stored as the scrambled "?").
bool IsStorable(const std::string& password);

// The stored "PW" of a password: the codes of Umwandeln's characters as bytes. The registry keeps
// them as they are, whatever the system's code page, so that they read back as written.
std::string Speicherform(const std::string& password);
// The password of a stored "PW".
std::string AusSpeicherform(const std::string& stored);

}  // namespace pw::Passwort
