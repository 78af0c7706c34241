#include "app/verify_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zararod {
namespace {

TEST(VerifyRulesTest, TheReceiverHoldsWhatTheJobWritesByItsColumnsType) {
  const std::optional<std::string> null;
  struct Case {
    std::optional<std::string> written;
    std::optional<std::string> received;
    const char* receiverType;
    bool holds;
  } cases[] = {
      {"Jiří O'Neil", "Jiří O'Neil", "varchar", true},
      {"Jiří O'Neil", "jiří O'Neil", "varchar", false},  // letter case counts
      {"ab ", "ab", "varchar", false},                   // so do trailing blanks
      {"ab ", "ab", "char", true},                       // CHAR drops them
      {"", null, "varchar", false},                      // '' is not NULL
      {null, null, "int", true},
      {"0", null, "int", false},
      {"13.8", "13.800", "decimal", true},
      {"13.805", "13.810", "decimal", false},
      {"24040", "24040", "bigint", true},
      {"24.04", "24.04", "float", true},
      {"0.30000000000000004", "0.3", "double", false},
      {"0.30000000000000004", "0.3", "float", true},  // FLOAT holds no more
      {"2026-07-14", "2026-07-14 00:00:00", "datetime", true},
      {"2026-07-14 07:42:10", "2026-07-14 07:42:10.000", "timestamp", true},
      {"2026-07-14 07:42:10", "2026-07-14 07:42:11", "datetime", false},
      {"2026-07-14", "2026-07-15", "date", false},
      {"07:42:10", "07:42:10.000", "time", true},
      {"36:15:00", "12:15:00", "time", false},
      {std::string("\x00\xff", 2), std::string("\x00\xfe", 2), "blob", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(receiverHolds(c.written, c.received, c.receiverType), c.holds)
        << c.written.value_or("NULL") << " into " << c.receiverType << " holding "
        << c.received.value_or("NULL");
  }
}

FieldReading reading(TFieldType kind, std::optional<std::string> serverText) {
  FieldReading r;
  r.kind = kind;
  r.isNull = !serverText;
  r.serverText = std::move(serverText);
  return r;
}

TEST(VerifyRulesTest, TheWrittenValueFollowsTheJobsConventions) {
  struct Case {
    FieldReading sender;
    const char* senderType;
    WriteRules rules;
    std::optional<std::string> written;
  } cases[] = {
      {reading(ftString, std::nullopt), "varchar", WriteRules::Slips, ""},
      {reading(ftInteger, std::nullopt), "int", WriteRules::Slips, "0"},
      {reading(ftTime, std::nullopt), "time", WriteRules::Slips, "00:00:00"},
      {reading(ftString, "O'Brien\\x\r\n"), "varchar", WriteRules::Slips, "O'Brien\\x\r\n"},
      {reading(ftString, std::nullopt), "varchar", WriteRules::Addresses, ""},
      {reading(ftInteger, std::nullopt), "int", WriteRules::Addresses, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(writtenValue(c.sender, c.senderType, c.rules), c.written) << c.senderType;
  }
}

TEST(VerifyRulesTest, DigestTermsMeetWhereTheTypesDiffer) {
  EXPECT_EQ(baseTypeOf("DECIMAL(10,2) UNSIGNED"), "decimal");
  const ComparedColumn scales{"vlhkost", "decimal(10,2)", "decimal(12,3)"};
  EXPECT_EQ(senderDigestTerm(scales, WriteRules::Slips),
            (DigestTerm{"cast(ifnull(`vlhkost`,0) as decimal(65,3))", "0"}));
  EXPECT_EQ(receiverDigestTerm(scales),
            (DigestTerm{"cast(`vlhkost` as decimal(65,3))", "isnull(`vlhkost`)"}));
  // A text column of the jobs' code page is hashed as it is, any other
  // converted to it.
  const ComparedColumn text{"ridic", "varchar(60)", "text", "cp1250_czech_cs", "utf8mb4_bin"};
  EXPECT_EQ(senderDigestTerm(text, WriteRules::Slips).value, "ifnull(`ridic`,'')");
  EXPECT_EQ(receiverDigestTerm(text).value, "convert(`ridic` using cp1250)");
}

}  // namespace
}  // namespace zararod
