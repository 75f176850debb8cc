// What the user is told for each condition a socket call can fail with, on either platform.
#include <gtest/gtest.h>

#include "platform/SocketErrors.h"
#include "platform/Transport.h"

namespace pw {
namespace {

TEST(SocketErrors, ConditionsBecomeTheTransportsErrors) {
  struct Case {
    SocketCondition condition;
    std::int32_t number;
  };
  for (const Case& c :
       {Case{SocketCondition::TimedOut, kNetTimedOut}, Case{SocketCondition::Refused, kNetRefused},
        Case{SocketCondition::NetUnreachable, kNetUnreachable},
        Case{SocketCondition::HostUnreachable, kNetUnreachable},
        Case{SocketCondition::NetDown, kNetUnreachable},
        Case{SocketCondition::HostDown, kNetUnreachable}, Case{SocketCondition::Reset, kNetClosed},
        Case{SocketCondition::Aborted, kNetClosed}, Case{SocketCondition::Shutdown, kNetClosed},
        Case{SocketCondition::NetReset, kNetClosed}}) {
    const AppError e = SocketError(c.condition, 4711);
    EXPECT_EQ(e.Number(), c.number) << static_cast<int>(c.condition);
    EXPECT_EQ(e.Description(), NetError(c.number).Description());
    EXPECT_EQ(e.Description().find("4711"), std::string::npos) << e.Description();
  }
}

TEST(SocketErrors, AnyOtherConditionShowsTheSystemsCode) {
  const AppError e = SocketError(SocketCondition::Other, 10047);
  EXPECT_EQ(e.Number(), kNetFailure);
  EXPECT_EQ(e.Description(), "Netzwerkfehler (Systemcode 10047).");
}

}  // namespace
}  // namespace pw
