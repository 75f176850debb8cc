// The receive buffer of an IMAP session.
#pragma once

#include <cstddef>
#include <memory>

namespace pw::imap {

// Bytes received and not yet parsed. Its memory is not zero-filled, and a client hands it from
// one session to the next, so that a large mailbox's results do not fault in fresh pages at
// every check.
struct InputBuffer {
  std::unique_ptr<char[]> data;
  std::size_t capacity = 0;
};

}  // namespace pw::imap
