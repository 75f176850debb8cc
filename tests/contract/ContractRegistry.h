// The registry the contract suite runs against: advapi32 on Windows, the substitute elsewhere.
#pragma once

#include <memory>

#include "platform/RegistryApi.h"

namespace pw {

std::unique_ptr<RegistryApi> MakeContractRegistry();

}  // namespace pw
