// A receiving server without strict mode would store a value that does not
// fit its column altered (cut, clamped, or with '?' for a character its
// character set lacks) and only warn. The jobs' receiving session is strict:
// such a value fails the job, both servers roll back, and the error names the
// column and the record's key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/jobs_test_support.h"
#include "db/db_exceptions.h"
#include "testing/case_name.h"

namespace zararod::testing {
namespace {

struct AlteredValueCase {
  const char* id;
  Server receiver;
  const char* narrow;  // makes a column of the receiving table too narrow
  const char* column;
  const char* key;  // the failing record's key, as the error names it
};

constexpr const char* kSlipKey = "cislodokla = '2026/0001', rada = '01'";
constexpr const char* kAddressKey = "kodpar = '100234'";

const AlteredValueCase kCases[] = {
    {"SlipTextTooLong", Server::Central, "alter table vorazu1.vaznil modify ridic varchar(5)",
     "ridic", kSlipKey},
    {"SlipIntegerOutOfRange", Server::Central, "alter table vorazu1.vaznil modify brutto smallint",
     "brutto", kSlipKey},
    {"SlipCharacterTheColumnLacks", Server::Central,
     "alter table vorazu1.vaznil modify ridic varchar(60) character set latin1", "ridic", kSlipKey},
    {"AddressTextTooLong", Server::Site, "alter table dovodi.adresar modify NAZEVPODNI varchar(5)",
     "NAZEVPODNI", kAddressKey},
    {"AddressIntegerOutOfRange", Server::Site, "alter table dovodi.adresar modify PSC smallint",
     "PSC", kAddressKey},
    {"AddressCharacterTheColumnLacks", Server::Site,
     "alter table dovodi.adresar modify NAZEVPODNI varchar(100) character set latin1", "NAZEVPODNI",
     kAddressKey},
};

class AlteredValues : public JobsDbTest, public ::testing::WithParamInterface<AlteredValueCase> {
 protected:
  // Both sides of the job: the records and the queue on the sending server,
  // the records on the receiving one.
  std::vector<std::vector<Row>> servers() const {
    if (GetParam().receiver == Server::Central) {
      return {snapshot(Server::Site, "vorazu1.vaznil", "id"),
              snapshot(Server::Site, "vorazu1.vaznil_00", "cislodokla"),
              snapshot(Server::Central, "vorazu1.vaznil", "id")};
    }
    return {snapshot(Server::Central, "dovodi.adresar", "kodpar"),
            snapshot(Server::Central, "dovodi.adresar_10", "kodpar"),
            snapshot(Server::Site, "dovodi.adresar", "kodpar, NAZEVPODNI")};
  }
};

TEST_P(AlteredValues, FailTheJobOnBothServersAndNameTheColumnAndTheKey) {
  const AlteredValueCase& c = GetParam();
  // A record that fits goes first: it must be rolled back with the rest.
  AdminSession(Server::Site)
      .exec(
          "delete from vorazu1.vaznil_00;"
          "insert into vorazu1.vaznil_00 values ('2026/0003', '01'), ('2026/0001', '01')");
  AdminSession(Server::Central)
      .exec(
          "delete from dovodi.adresar_10;"
          "insert into dovodi.adresar_10 values ('999999'), ('100234')");
  // Emptied first: the receiver's own rows need not fit the narrower column.
  AdminSession(c.receiver)
      .exec(std::string("delete from ") +
            (c.receiver == Server::Central ? "vorazu1.vaznil;" : "dovodi.adresar;") + c.narrow);
  GlobalSqlMode notStrict(c.receiver, "''");
  const std::vector<std::vector<Row>> before = servers();

  std::string message = "no error";
  try {
    if (c.receiver == Server::Central) {
      jobs_.SendSlips(SlipKind::Weighing, reporter_);
    } else {
      jobs_.ImportAddresses(reporter_);
    }
  } catch (const EZSQLException& e) {
    message = e.Message();
  }
  EXPECT_NE(message.find(c.column), std::string::npos) << message;
  EXPECT_NE(message.find(c.key), std::string::npos) << message;
  EXPECT_TRUE(reporter_.messages.empty());
  EXPECT_TRUE(servers() == before);
}

INSTANTIATE_TEST_SUITE_P(NotStrictReceiver, AlteredValues, ::testing::ValuesIn(kCases), CaseName());

}  // namespace
}  // namespace zararod::testing
