// Deleting a registry key together with every key below it, through the narrow calls.
#pragma once

#include <string>

#include "platform/RegistryApi.h"

namespace pw {

// Deletes parent\subKey and its subkeys, deepest first; answers the first failing status.
// subKey must name a key below parent: an empty sub-path is refused with
// ERROR_INVALID_PARAMETER rather than deleting parent itself.
long DeleteKeyTree(RegistryApi& api, HKey parent, const std::string& subKey);

}  // namespace pw
