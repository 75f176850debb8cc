// The error catalogue as a table: one entry per number and name, each with a text.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/ErrorCatalog.h"

namespace pw {
namespace {

TEST(ErrorCatalogTest, EveryNumberOnceWithOneNameAndAText) {
  std::size_t count = 0;
  const ErrorEntry* entries = ErrorEntries(&count);
  std::set<std::int32_t> numbers;
  std::set<std::string_view> names;
  for (std::size_t i = 0; i < count; ++i) {
    const ErrorEntry& entry = entries[i];
    EXPECT_TRUE(numbers.insert(entry.number).second) << entry.name << " repeats its number";
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name << " appears twice";
    // clsRegistry raises the read-only keyExists without a description, as it always did.
    if (entry.number != kRegKeyExistsReadOnly) {
      EXPECT_FALSE(entry.text.empty()) << entry.name << " has no text";
    }
    EXPECT_EQ(ErrorText(entry.number), entry.text);
  }
  EXPECT_TRUE(ErrorText(-1).empty());
}

TEST(ErrorCatalogTest, DetailsFillThePlaceholdersInTurnAndTheRestFollows) {
  EXPECT_EQ(ErrorDescription(kNetHostNotFound, "mail.example"),
            "Der Server mail.example wurde nicht gefunden.");
  EXPECT_EQ(ErrorDescription(kImapCommandFailed, {"SELECT", "nein"}),
            "Der Server hat den Befehl SELECT abgelehnt: nein");
  EXPECT_EQ(ErrorDescription(kRegInvalidKey, "!"), "Ungültiger Schlüssel!");
  EXPECT_EQ(ErrorDescription(kNetFailure), "Netzwerkfehler (Systemcode ).");
  EXPECT_EQ(ErrorDescription(-1, "x"), "x");
}

TEST(ErrorCatalogTest, WindowsSystemCodesHaveARangeOfTheirOwn) {
  EXPECT_NE(kSysAccessDenied, kErrInvalidCall);
  EXPECT_EQ(ErrorDescription(kSysAccessDenied), "Zugriff verweigert.");
  EXPECT_EQ(ErrorDescription(kErrInvalidCall),
            "Ungültiger Prozeduraufruf oder ungültiges Argument");
  EXPECT_FALSE(IsSystemErrorNumber(kErrInvalidCall));
  EXPECT_FALSE(IsSystemErrorNumber(kRegCannotOpen));
  EXPECT_EQ(ErrorDescription(SystemErrorNumber(1450)),
            "Das Programm konnte nicht gestartet werden (Systemfehler 1450).");
}

}  // namespace
}  // namespace pw
