#include "db/sql_processor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "db/sql_strings.h"
#include "testing/sandbox.h"
#include "testing/sandbox_connection.h"

namespace zararod {
namespace {

using testing::AdminSession;
using testing::Server;

constexpr const char* kScratch = "zt_processor";

class SQLProcessorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AdminSession admin(Server::Site);
    admin.exec(std::string("DROP DATABASE IF EXISTS ") + kScratch);
    admin.exec(std::string("CREATE DATABASE ") + kScratch + " CHARACTER SET cp1250");
    admin.exec(std::string("CREATE TABLE ") + kScratch + ".t (a VARCHAR(40), b VARCHAR(40))");

    testing::configureForSandbox(connection_, Server::Site, kScratch);
    processor_.SetConnection(&connection_);
    processor_.SetDelimiter(";");
  }

  std::vector<std::string> column(const std::string& table = "t") {
    AdminSession admin(Server::Site, kScratch);
    std::vector<std::string> values;
    for (const auto& row : admin.rows("select a from " + table + " order by a"))
      values.push_back(row[0].value_or("NULL"));
    return values;
  }

  // The statements the processor's live connection sent since connectAndLog.
  std::vector<std::string> sentByProcessor() {
    return testing::loggedStatements(Server::Site, liveThread_);
  }

  void connectAndLog() {
    connection_.Connect();
    liveThread_ = mysql_thread_id(connection_.LiveConnection()->Handle());
    testing::startGeneralLog(Server::Site);
  }

  // Three statements over six script lines. The last holds a ":" inside a
  // quoted value, so it is sent rebuilt from its tokens (its comment dropped,
  // blanks made one); a line break inside a line still becomes CR LF.
  void addStatementsOverLines() {
    processor_.Script().Add("delete from t where a = 'x';");
    processor_.Script().Add("INSERT INTO t (a,b)");
    processor_.Script().Add(" value ('x','y');");
    processor_.Script().Add("INSERT INTO t (a,b)");
    processor_.Script().Add(" value ('12:30',  'line1\nline2') -- note");
    processor_.Script().Add(";");
  }

  TZConnection connection_;
  TZSQLProcessor processor_;
  unsigned long liveThread_ = 0;
};

TEST_F(SQLProcessorTest, FailingThirdOfFiveStatementsUnderEachAction) {
  const struct {
    TZErrorHandleAction action;
    bool raises;
    std::vector<std::string> rows;
    std::vector<int> after;  // statements AfterExecute was called for
  } cases[] = {
      {eaFail, true, {"1", "2"}, {0, 1}},
      {eaAbort, false, {"1", "2"}, {0, 1}},
      {eaSkip, false, {"1", "2", "4", "5"}, {0, 1, 2, 3, 4}},
      {eaRetry, false, {"1", "2", "4", "5"}, {0, 1, 2, 3, 4}},
  };
  // One statement per round trip, and batches of four: the failing statement
  // sits in the middle of the first batch.
  for (int batch : {0, 4}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::to_string(static_cast<int>(c.action)) + " batch " + std::to_string(batch));
      processor_.SetBatchSize(batch);
      AdminSession admin(Server::Site, kScratch);
      admin.exec("DELETE FROM t");
      admin.exec("DROP TABLE IF EXISTS missing");
      processor_.Script().Clear();
      processor_.Script().Add("insert into t (a) values ('1');");
      processor_.Script().Add("insert into t (a) values ('2');");
      processor_.Script().Add("insert into missing (a) values ('3');");
      processor_.Script().Add("insert into t (a) values ('4');");
      processor_.Script().Add("insert into t (a) values ('5')");

      std::vector<int> before, after, failed;
      processor_.BeforeExecute = [&](TZSQLProcessor&, int i) { before.push_back(i); };
      processor_.AfterExecute = [&](TZSQLProcessor&, int i) { after.push_back(i); };
      processor_.OnError = [&](TZSQLProcessor&, int i, const std::exception& e,
                               TZErrorHandleAction& action) {
        failed.push_back(i);
        EXPECT_EQ(action, eaFail);
        EXPECT_STREQ(e.what(), "SQL Error: Table 'zt_processor.missing' doesn't exist");
        if (c.action == eaRetry)  // mend the cause, then try again
          AdminSession(Server::Site, kScratch).exec("CREATE TABLE missing (a VARCHAR(40))");
        action = c.action;
      };

      if (c.raises) {
        try {
          processor_.Execute();
          ADD_FAILURE() << "no exception";
        } catch (const EZSQLException& e) {
          EXPECT_EQ(e.Message(), "SQL Error: Table 'zt_processor.missing' doesn't exist");
          EXPECT_EQ(e.ErrorCode(), 1146);
        }
      } else {
        processor_.Execute();
      }
      EXPECT_EQ(column(), c.rows);
      EXPECT_EQ(after, c.after);
      EXPECT_EQ(failed, std::vector<int>{2});
      // A batch announces every statement it holds before it is sent.
      const std::size_t announced = batch > 0 ? 4u : 3u;
      EXPECT_EQ(before.size(), c.action == eaFail || c.action == eaAbort ? announced : 5u);
      EXPECT_EQ(processor_.StatementCount(), 5);  // the split result stays readable
    }
  }
  EXPECT_EQ(column("missing"), std::vector<std::string>{"3"});
}

TEST_F(SQLProcessorTest, BytesThatReachTheServer) {
  connectAndLog();
  addStatementsOverLines();
  processor_.Script().Add("INSERT INTO t (a,b) value ('p','q\nr\rs');");
  processor_.Execute();
  // (The server drops the final CR LF of a statement before it logs it.)
  EXPECT_EQ(sentByProcessor(),
            (std::vector<std::string>{"delete from t where a = 'x'",
                                      "INSERT INTO t (a,b)\r\n value ('x','y')",
                                      "INSERT INTO t (a,b) value ('12:30', 'line1\r\nline2')",
                                      "INSERT INTO t (a,b) value ('p','q\r\nr\r\ns')"}));

  // Without parameter checking the colon changes nothing.
  connection_.Disconnect();
  connectAndLog();
  processor_.SetParamCheck(false);
  processor_.Script().Clear();
  processor_.Script().Add("INSERT INTO t (a,b)");
  processor_.Script().Add(" value ('12:30',  'z')");
  processor_.Execute();
  EXPECT_EQ(sentByProcessor(),
            (std::vector<std::string>{"INSERT INTO t (a,b)\r\n value ('12:30',  'z')"}));
}

TEST_F(SQLProcessorTest, ReadyStatementsReachTheServerAsTheSplitScripts) {
  for (const int batch : {0, 3}) {
    SCOPED_TRACE(batch);
    processor_.SetBatchSize(batch);
    connectAndLog();
    processor_.Script().Clear();
    addStatementsOverLines();
    processor_.Execute();
    const std::vector<std::string> fromScript = sentByProcessor();
    std::vector<std::string> statements;
    for (int i = 0; i < processor_.StatementCount(); ++i)
      statements.push_back(processor_.Statements(i));

    connection_.Disconnect();
    connectAndLog();
    processor_.Script().Clear();
    processor_.ExecuteStatements(statements);
    EXPECT_EQ(sentByProcessor(), fromScript);
    ASSERT_EQ(processor_.StatementCount(), static_cast<int>(statements.size()));
    EXPECT_EQ(processor_.Statements(1), statements[1]);
    processor_.ClearStatements();
    EXPECT_EQ(processor_.StatementCount(), 0);
    connection_.Disconnect();
  }
}

TEST_F(SQLProcessorTest, ABatchSendsTheSameStatementsInOneText) {
  connectAndLog();
  processor_.SetBatchSize(3);
  addStatementsOverLines();
  processor_.Script().Add("-- a statement that starts with a comment goes alone");
  processor_.Script().Add("insert into t (a) values ('c');");
  processor_.Script().Add("insert into t (a) values ('d');");
  processor_.Execute();
  EXPECT_EQ(sentByProcessor(),
            (std::vector<std::string>{
                "SELECT @@max_allowed_packet",
                "delete from t where a = 'x'\r\n;INSERT INTO t (a,b)\r\n value ('x','y')\r\n;"
                "INSERT INTO t (a,b) value ('12:30', 'line1\r\nline2')",
                "-- a statement that starts with a comment goes alone\r\n"
                "insert into t (a) values ('c')",
                "insert into t (a) values ('d')"}));
  EXPECT_EQ(column(), (std::vector<std::string>{"12:30", "c", "d", "x"}));
  // Multi-statement text is refused again after the run.
  EXPECT_THROW(connection_.LiveConnection()->CreateStatement()->ExecuteUpdate(
                   "insert into t (a) values ('e'); insert into t (a) values ('f')"),
               EZSQLException);
}

TEST_F(SQLProcessorTest, KeptMultiStatementsStayOnForTheSession) {
  connectAndLog();
  processor_.SetBatchSize(3);
  processor_.SetKeepMultiStatements(true);
  for (const char* value : {"1", "2"}) {
    processor_.Script().Clear();
    processor_.Script().Add(std::string("insert into t (a) values ('") + value + "');");
    processor_.Script().Add(std::string("insert into t (a) values ('") + value + value + "');");
    processor_.Execute();
  }
  EXPECT_EQ(column(), (std::vector<std::string>{"1", "11", "2", "22"}));
  // Still on for the session after the runs: the server takes a
  // multi-statement text.
  EXPECT_TRUE(connection_.LiveConnection()->MultiStatements());
  connection_.LiveConnection()->CreateStatement()->ExecuteUpdate(
      "insert into t (a) values ('3'); insert into t (a) values ('33')");
  EXPECT_EQ(column(), (std::vector<std::string>{"1", "11", "2", "22", "3", "33"}));
}

TEST_F(SQLProcessorTest, AHandlerThatDisconnectsLeavesTheRestToANewSession) {
  // The second statement joins the first batch after its handler has
  // disconnected, so that batch goes to a new session; so does the second
  // batch, whose first handler disconnects again.
  for (int batch : {0, 3}) {
    SCOPED_TRACE("batch " + std::to_string(batch));
    AdminSession(Server::Site, kScratch).exec("DELETE FROM t");
    processor_.SetBatchSize(batch);
    processor_.Script().Clear();
    for (const char* value : {"1", "2", "3", "4", "5"}) {
      processor_.Script().Add(std::string("insert into t (a) values ('") + value + "');");
    }
    processor_.BeforeExecute = [&](TZSQLProcessor&, int i) {
      if (i == 1 || i == 3) connection_.Disconnect();
    };
    processor_.Execute();
    EXPECT_EQ(column(), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  }
}

TEST_F(SQLProcessorTest, ParametersAreBoundByName) {
  processor_.Script().Add("insert into t (a, b) values (:A, :b);");
  ASSERT_EQ(processor_.Params().Count(), 2);
  processor_.Params().ParamByName("a").SetAsString("O'Neil\\");
  processor_.Script().Add("insert into t (a, b) values ('second', :b);");  // values survive
  EXPECT_EQ(processor_.Params().ParamByName("A").AsString(), "O'Neil\\");
  processor_.Execute();
  AdminSession admin(Server::Site, kScratch);
  EXPECT_EQ(admin.rows("select a, b from t order by a"),
            (std::vector<testing::Row>{{std::string("O'Neil\\"), std::nullopt},
                                       {std::string("second"), std::nullopt}}));
}

TEST_F(SQLProcessorTest, IntegerParametersThatDoNotFitFailTheStatement) {
  const struct {
    TFieldType type;
    std::int64_t value;
    bool fits;
  } cases[] = {
      {ftSmallint, -32768, true},      {ftSmallint, 32768, false},
      {ftInteger, 2147483647, true},   {ftInteger, 5000000000, false},
      {ftAutoInc, -2147483649, false},
  };
  processor_.Script().Add("insert into t (a) values (:v);");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    AdminSession(Server::Site, kScratch).exec("DELETE FROM t");
    TParam& param = processor_.Params().ParamByName("v");
    param.DataType = c.type;
    param.SetValue(c.value);
    if (c.fits) {
      processor_.Execute();
      EXPECT_EQ(column(), std::vector<std::string>{std::to_string(c.value)});
      continue;
    }
    try {
      processor_.Execute();
      ADD_FAILURE() << "no exception";
    } catch (const EZSQLException& e) {
      EXPECT_EQ(e.Message(), "Range check error");
      EXPECT_EQ(e.ErrorCode(), -1);
    }
    EXPECT_EQ(column(), std::vector<std::string>{});
  }
}

TEST_F(SQLProcessorTest, CommentOnlyStatements) {
  // Without a colon the comment is sent as a statement of its own; with one
  // there is nothing left to run and it is skipped.
  connectAndLog();
  processor_.Script().Add("insert into t (a) values ('1');");
  processor_.Script().Add("/* done: 1 */;");
  processor_.Script().Add("-- done");
  processor_.Execute();
  EXPECT_EQ(column(), std::vector<std::string>{"1"});
  EXPECT_EQ(sentByProcessor(),
            (std::vector<std::string>{"insert into t (a) values ('1')", "-- done"}));
}

TEST_F(SQLProcessorTest, EmptyScriptConnectsAndRunsNothing) {
  processor_.Script().Add(" ;");
  processor_.Script().Add("");
  processor_.Script().Add(";;");
  EXPECT_FALSE(connection_.Connected());
  processor_.Execute();
  EXPECT_TRUE(connection_.Connected());
  EXPECT_EQ(processor_.StatementCount(), 0);

  TZSQLProcessor detached;
  try {
    detached.Execute();
    FAIL() << "no exception";
  } catch (const EZDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Database connection component is not assigned");
  }
}

TEST_F(SQLProcessorTest, WhatDiscardsTheSplitResult) {
  processor_.Script().Add("select 1; select 2;");
  processor_.Parse();
  ASSERT_EQ(processor_.StatementCount(), 2);
  processor_.Script().Add("select 3;");  // the script's own line operations keep it
  processor_.SetDelimiter(";");         // so does setting the same value
  processor_.SetCleanupStatements(false);
  EXPECT_EQ(processor_.StatementCount(), 2);
  processor_.SetDelimiterType(dtGo);
  EXPECT_EQ(processor_.StatementCount(), 0);
  processor_.SetDelimiterType(dtDefault);
  processor_.Parse();
  EXPECT_EQ(processor_.StatementCount(), 3);
  processor_.SetCleanupStatements(true);
  EXPECT_EQ(processor_.StatementCount(), 0);
  processor_.Parse();
  TZConnection other;
  processor_.SetConnection(&other);
  EXPECT_EQ(processor_.StatementCount(), 0);
}

TEST_F(SQLProcessorTest, ZeroBytesInAScriptReachTheServerAsData) {
  const std::string file = ::testing::TempDir() + "zt_processor_script.txt";
  const std::string withZero("insert into t (a, b) values ('nul', 'a\0b')", 42);
  {
    TZSQLStrings lines;
    lines.Add(withZero + ";");
    lines.Add("select 2");
    lines.SaveToFile(file);
  }
  processor_.Script().LoadFromFile(file);
  processor_.Parse();
  ASSERT_EQ(processor_.StatementCount(), 2);
  EXPECT_EQ(processor_.Statements(0), withZero);
  EXPECT_EQ(processor_.Statements(1), "select 2");

  // The statement goes to the server with its length, so the value keeps
  // all three bytes instead of the statement ending at the zero byte.
  processor_.Execute();
  AdminSession admin(Server::Site, kScratch);
  EXPECT_EQ(admin.scalar("select hex(b) from t where a = 'nul'"), "610062");
}

}  // namespace
}  // namespace zararod
