// Picks the registry implementation for the contract suite.
#include "contract/ContractRegistry.h"

#ifdef _WIN32
#include "win32/Win32Registry.h"
#else
#include "substitute/FakeRegistry.h"
#endif

namespace pw {

std::unique_ptr<RegistryApi> MakeContractRegistry() {
#ifdef _WIN32
  return std::make_unique<win32::Win32Registry>();
#else
  return std::make_unique<FakeRegistry>();
#endif
}

}  // namespace pw
