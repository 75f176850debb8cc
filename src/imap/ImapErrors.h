// The IMAP client's errors (numbers of common/ErrorCatalog.h) and the server texts in them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/AppError.h"
#include "common/ErrorCatalog.h"

namespace pw::imap {

AppError Error(std::int32_t number, std::string description);

// A server's text made fit for a message box: printable, valid UTF-8, at most 200 bytes.
std::string ServerText(std::string_view text);

}  // namespace pw::imap
