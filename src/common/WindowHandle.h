// Opaque handles of platform objects as the core passes them around.
#pragma once

#include <cstdint>

namespace pw {

using WindowHandle = std::uintptr_t;
using IconHandle = std::uintptr_t;

}  // namespace pw
