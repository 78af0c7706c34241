// Keys that the servers' collations take for one another ('K9' and 'K9 ',
// 'K7a' and 'K7A'): every job matches a key byte for byte, so each record
// arrives as itself and no look-alike is lost, deleted or left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/record_keys.h"
#include "app/jobs_test_support.h"
#include "testing/case_name.h"

namespace zararod::testing {
namespace {

// The key columns as the sites' servers have them: letter case and trailing
// blanks do not count under their collation.
constexpr const char* kCaseBlindSlipKeys =
    "alter table vorazu1.%s modify cislodokla varchar(20) not null collate cp1250_general_ci,"
    " modify rada varchar(10) not null collate cp1250_general_ci;";
constexpr const char* kCaseBlindAddressKeys =
    "alter table dovodi.%s modify kodpar varchar(10) not null collate cp1250_general_ci;";

std::string format(const char* pattern, const char* table) {
  std::string text = pattern;
  text.replace(text.find("%s"), 2, table);
  return text;
}

class ExactKeysTest : public JobsDbTest {
 protected:
  void SetUp() override {
    JobsDbTest::SetUp();
    for (Server server : {Server::Site, Server::Central}) {
      AdminSession(server).exec(format(kCaseBlindSlipKeys, "vaznil") +
                                format(kCaseBlindAddressKeys, "adresar"));
    }
    AdminSession(Server::Site)
        .exec(format(kCaseBlindSlipKeys, "vaznil_00") + "delete from vorazu1.vaznil_00");
    AdminSession(Server::Central)
        .exec(format(kCaseBlindAddressKeys, "adresar_10") + "delete from dovodi.adresar_10");
  }

  // "[key] tag" of every row that a case tagged, in byte order of the keys.
  static std::vector<std::string> tagged(Server server, const std::string& keyAndTag,
                                         const std::string& table) {
    std::vector<std::string> out;
    for (const Row& row : AdminSession(server, "", "cp1250")
                              .rows("select concat('[', " + keyAndTag + ") from " + table)) {
      out.push_back(*row[0]);
    }
    std::sort(out.begin(), out.end());
    return out;
  }
};

// A weighing slip whose key has look-alikes on either server.
struct SlipCase {
  const char* id;
  const char* site;     // vaznil rows (cislodokla, rada, ridic) on the site
  const char* central;  // the same on the central server; may be empty
  const char* queued;   // vaznil_00 rows
  std::vector<std::string> central_after;
};

const SlipCase kSlipCases[] = {
    {"TrailingBlankLookAlikeStaysHome",
     "('K9', '10', 'plain'), ('K9 ', '10', 'blank')",
     "('K9 ', '10', 'central')",
     "('K9', '10')",
     {"[K9 ] central", "[K9] plain"}},
    {"UnrelatedLookAlikeOnCentralSurvives",
     "('q5', '10', 'site')",
     "('Q5 ', '10', 'central')",
     "('q5', '10')",
     {"[Q5 ] central", "[q5] site"}},
    {"CaseOnlyPair",
     "('K7a', '10', 'small'), ('K7A', '10', 'capital')",
     "",
     "('K7a', '10')",
     {"[K7a] small"}},
    {"SameKeyTwiceOnSiteArrivesTwice",
     "('D2', '10', 'one'), ('D2', '10', 'two')",
     "('D2', '10', 'old')",
     "('D2', '10')",
     {"[D2] one", "[D2] two"}},
};

class ExactSlipKeys : public ExactKeysTest, public ::testing::WithParamInterface<SlipCase> {};

TEST_P(ExactSlipKeys, EachSlipArrivesAsItselfAndNoLookAlikeIsTouched) {
  const SlipCase& c = GetParam();
  const std::string insert = "insert into vorazu1.vaznil (cislodokla, rada, ridic) values ";
  AdminSession(Server::Site)
      .exec("delete from vorazu1.vaznil;" + insert + c.site +
            ";insert into vorazu1.vaznil_00 values " + c.queued);
  AdminSession(Server::Central)
      .exec(std::string("delete from vorazu1.vaznil") +
            (*c.central ? ";" + insert + c.central : ""));

  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), 1);
  EXPECT_EQ(tagged(Server::Central, "cislodokla, '] ', ridic", "vorazu1.vaznil"), c.central_after);
  EXPECT_EQ(AdminSession(Server::Site).scalar("select count(*) from vorazu1.vaznil_00"), "0");
}

INSTANTIATE_TEST_SUITE_P(Slips, ExactSlipKeys, ::testing::ValuesIn(kSlipCases), CaseName());

// A partner address whose key has look-alikes on either server.
struct AddressCase {
  const char* id;
  const char* central;  // adresar rows (kodpar, NAZEVPODNI) on the central server
  const char* local;    // the same on the local server; may be empty
  const char* queued;   // adresar_10 rows
  int count;
  std::vector<std::string> local_after;
};

const AddressCase kAddressCases[] = {
    {"CaseOnlyPairBothQueued",
     "('Z1', 'capital'), ('z1', 'small')",
     "",
     "('Z1'), ('z1')",
     2,
     {"[Z1] capital", "[z1] small"}},
    {"TrailingBlankLookAlikeStaysHome",
     "('Z2', 'plain'), ('Z2 ', 'blank')",
     "('Z2 ', 'local')",
     "('Z2')",
     1,
     {"[Z2 ] local", "[Z2] plain"}},
    {"UnrelatedLookAlikeOnLocalSurvives",
     "('q6', 'central')",
     "('Q6 ', 'local')",
     "('q6')",
     1,
     {"[Q6 ] local", "[q6] central"}},
    {"SameKeyTwiceOnCentralArrivesTwice",
     "('Z3', 'one'), ('Z3', 'two')",
     "('Z3', 'old')",
     "('Z3')",
     1,
     {"[Z3] one", "[Z3] two"}},
};

class ExactAddressKeys : public ExactKeysTest, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(ExactAddressKeys, EachAddressArrivesAsItselfAndNoLookAlikeIsTouched) {
  const AddressCase& c = GetParam();
  const std::string insert = "insert into dovodi.adresar (kodpar, NAZEVPODNI) values ";
  AdminSession(Server::Central)
      .exec("delete from dovodi.adresar;" + insert + c.central +
            ";insert into dovodi.adresar_10 values " + c.queued);
  AdminSession(Server::Site)
      .exec(std::string("delete from dovodi.adresar") + (*c.local ? ";" + insert + c.local : ""));

  EXPECT_EQ(jobs_.ImportAddresses(reporter_), c.count);
  EXPECT_EQ(tagged(Server::Site, "kodpar, '] ', NAZEVPODNI", "dovodi.adresar"), c.local_after);
  EXPECT_EQ(AdminSession(Server::Central).scalar("select count(*) from dovodi.adresar_10"), "0");
}

INSTANTIATE_TEST_SUITE_P(Addresses, ExactAddressKeys, ::testing::ValuesIn(kAddressCases),
                         CaseName());

// A CHAR key column holds and compares its value without trailing blanks, so
// a VARCHAR queue entry 'K9 ' stands for the CHAR record 'K9' on either
// server: the record is sent, its earlier copy replaced, its entry dequeued.
TEST_F(ExactKeysTest, CharKeyColumnsMatchWithoutTrailingBlanks) {
  const std::string slipKey =
      "alter table vorazu1.vaznil modify cislodokla char(20) not null collate cp1250_general_ci;";
  const std::string addressKey =
      "alter table dovodi.adresar modify kodpar char(10) not null collate cp1250_general_ci;";
  AdminSession(Server::Site)
      .exec(slipKey + addressKey +
            "delete from vorazu1.vaznil; delete from dovodi.adresar;"
            "insert into vorazu1.vaznil (cislodokla, rada, ridic) values ('K9', '10', 'new');"
            "insert into vorazu1.vaznil_00 values ('K9 ', '10');"
            "insert into dovodi.adresar (kodpar, NAZEVPODNI) values ('Z9', 'old')");
  AdminSession(Server::Central)
      .exec(slipKey + addressKey +
            "delete from vorazu1.vaznil; delete from dovodi.adresar;"
            "insert into vorazu1.vaznil (cislodokla, rada, ridic) values ('K9', '10', 'old');"
            "insert into dovodi.adresar (kodpar, NAZEVPODNI) values ('Z9', 'new');"
            "insert into dovodi.adresar_10 values ('Z9 ')");

  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), 1);
  EXPECT_EQ(jobs_.ImportAddresses(reporter_), 1);
  EXPECT_EQ(tagged(Server::Central, "cislodokla, '] ', ridic", "vorazu1.vaznil"),
            std::vector<std::string>{"[K9] new"});
  EXPECT_EQ(tagged(Server::Site, "kodpar, '] ', NAZEVPODNI", "dovodi.adresar"),
            std::vector<std::string>{"[Z9] new"});
  EXPECT_EQ(AdminSession(Server::Site).scalar("select count(*) from vorazu1.vaznil_00"), "0");
  EXPECT_EQ(AdminSession(Server::Central).scalar("select count(*) from dovodi.adresar_10"), "0");
}

TEST_F(ExactKeysTest, TheKeyConditionStillLooksUpThroughTheKeyIndex) {
  // A job of thousands of records must not scan the table once per record.
  AdminSession site(Server::Site, "", "cp1250");
  for (bool noBackslashEscapes : {false, true}) {
    const std::vector<Row> slip =
        site.rows("explain select * from vorazu1.vaznil where " +
                  keyCondition({{"cislodokla", "O'B\\17 "}, {"rada", "02"}}, noBackslashEscapes));
    const std::vector<Row> address =
        site.rows("explain delete from dovodi.adresar where " +
                  keyCondition({{"kodpar", "A\\00017"}}, noBackslashEscapes));
    ASSERT_EQ(slip.size(), 1u);
    ASSERT_EQ(address.size(), 1u);
    EXPECT_EQ(slip[0][5], "slip");  // the chosen key
    EXPECT_EQ(address[0][5], "kodpar");
  }
}

}  // namespace
}  // namespace zararod::testing
