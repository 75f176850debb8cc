// Header texts for the desk: RFC 2047 encoded words, the charsets offices meet, and what may reach
// a window (no control characters, no bidirectional overrides, shortened with "...").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pw {

// Converts bytes of a named charset to UTF-8; false when it does not know the charset. The Windows
// edge sets one that asks the system; without one, only the charsets below are known.
using CharsetConverter = bool (*)(std::string_view charset, std::string_view bytes,
                                  std::string& utf8);
void SetCharsetConverter(CharsetConverter converter);

// UTF-8, US-ASCII, ISO-8859-1, ISO-8859-15 and Windows-1252 natively (names case-insensitive, an
// RFC 2231 language suffix "*de" ignored), else the converter; false when nobody knows it.
bool CharsetToUtf8(std::string_view charset, std::string_view bytes, std::string& utf8);

// An unstructured header value (a subject, a display name) as UTF-8: folded lines joined, encoded
// words decoded (adjacent ones joined, so a character split across two survives), raw 8-bit text
// taken as UTF-8 (RFC 6532) where it is valid and as Windows-1252 where not. An encoded word of an
// unknown charset stays as it came.
std::string DecodeHeader(std::string_view raw);

// Valid UTF-8 for a window: invalid sequences become U+FFFD, control characters and the
// bidirectional embeddings, overrides and isolates are dropped, runs of blanks become one blank,
// and the text is trimmed.
std::string CleanForDisplay(std::string_view utf8);

// At most maxChars characters: a longer text is cut and ends in "..." (counted in maxChars).
std::string Shorten(std::string_view utf8, std::size_t maxChars);

}  // namespace pw
