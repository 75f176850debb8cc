// Every condition a TLS engine reports reaches the user with its own text and the engine's detail.
#include <gtest/gtest.h>

#include <set>

#include "platform/Tls.h"

namespace pw {
namespace {

TEST(TlsConditions, EachHasItsOwnTextAndKeepsTheDetail) {
  std::set<std::string> seen;
  for (int c = 0; c <= static_cast<int>(TlsCondition::Receive); ++c) {
    const AppError e = TlsFailure(static_cast<TlsCondition>(c), "Aufruf: 0x80090326");
    EXPECT_EQ(e.Number(), kTlsFailed);
    EXPECT_NE(e.Description().find("Aufruf: 0x80090326"), std::string::npos) << e.Description();
    EXPECT_EQ(e.Description().find("{}"), std::string::npos) << e.Description();
    EXPECT_TRUE(seen.insert(e.Description()).second) << e.Description();
  }
  EXPECT_EQ(TlsFailure(TlsCondition::NotTls).Description(),
            "Der verschlüsselte Verbindungsaufbau (TLS) ist fehlgeschlagen: Der Server antwortet "
            "nicht mit TLS.");
  for (int c = 0; c <= static_cast<int>(ChainCondition::NotChecked); ++c) {
    const std::string text = ChainProblemText(static_cast<ChainCondition>(c), "0x800B0109");
    EXPECT_EQ(text.find("{}"), std::string::npos) << text;
    EXPECT_TRUE(seen.insert(text).second) << text;
  }
  EXPECT_EQ(ChainProblemText(ChainCondition::Expired, "0x800B0101"),
            "Das Zertifikat ist abgelaufen oder noch nicht gültig (0x800B0101).");
}

}  // namespace
}  // namespace pw
