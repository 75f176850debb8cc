// What the user is told for each condition a socket call can fail with, on either platform.
#include <gtest/gtest.h>

#include "platform/SocketErrors.h"
#include "platform/Transport.h"

namespace pw {
namespace {

TEST(SocketErrors, AnyOtherConditionShowsTheSystemsCode) {
  const AppError e = SocketError(SocketCondition::Other, 10047);
  EXPECT_EQ(e.Number(), kNetFailure);
  EXPECT_EQ(e.Description(), "Netzwerkfehler (Systemcode 10047).");
}

}  // namespace
}  // namespace pw
