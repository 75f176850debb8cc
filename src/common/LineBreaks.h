// Line breaks for texts shown in boxes that wrap only at blanks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pw {

// Breaks every word longer than maxRun bytes into lines of at most maxRun, after a ':' where
// the word has one in reach (a fingerprint "AB:CD:…" breaks between its pairs), else at maxRun.
// Multi-byte UTF-8 characters are never split.
std::string BreakLongWords(std::string_view text, std::size_t maxRun);

}  // namespace pw
