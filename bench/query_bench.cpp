// The query's own overhead: opening a one-row SELECT on a warm live
// connection, against sending the same text with mysql_query and receiving it
// with mysql_store_result directly. Needs the sandbox servers (the same
// environment variables as the server tests).
//
//   eval "$(scripts/sandbox env)"
//   build-<name>/bench/query_bench --benchmark_repetitions=3
//
// Compare the medians of BM_QueryOpen and BM_PlainStoreResult.
#include <benchmark/benchmark.h>

#include <mysql.h>

#include <string>

#include "db/connection.h"
#include "db/mysql_handle.h"
#include "db/query.h"
#include "testing/sandbox.h"
#include "testing/sandbox_connection.h"

namespace zararod {
namespace {

using testing::AdminSession;
using testing::Server;

constexpr int kOpens = 10000;
const std::string kSelect = "select * from zt_bench.one where id = 1";

void createTable() {
  AdminSession admin(Server::Site);
  admin.exec("CREATE DATABASE IF NOT EXISTS zt_bench CHARACTER SET cp1250");
  admin.exec(
      "CREATE OR REPLACE TABLE zt_bench.one (id INT PRIMARY KEY, cislodokla VARCHAR(20),"
      " vlhkost DECIMAL(10,2), vazeno DATETIME, potvrzeno ENUM('Y','N'), poznamka TEXT)");
  admin.exec("INSERT INTO zt_bench.one VALUES (1, '2026/0001', 13.80, '2026-07-14 07:42:10', 'Y', 'ok')");
}

void BM_QueryOpen(benchmark::State& state) {
  createTable();
  TZConnection connection;
  testing::configureForSandbox(connection, Server::Site, "");
  TZQuery query("ZQuery1");
  query.SetConnection(&connection);
  query.SQL().Add(kSelect);
  query.Open();  // warm: connected, table metadata cached
  for (auto _ : state) {
    query.Close();
    query.Open();
    benchmark::DoNotOptimize(query.FieldByName("cislodokla").AsString());
  }
}
BENCHMARK(BM_QueryOpen)->Iterations(kOpens)->Unit(benchmark::kMicrosecond);

void BM_PlainStoreResult(benchmark::State& state) {
  createTable();
  AdminSession session(Server::Site, "", "cp1250");
  MYSQL* handle = session.handle();
  for (auto _ : state) {
    if (mysql_query(handle, kSelect.c_str()) != 0) {
      state.SkipWithError(mysql_error(handle));
      break;
    }
    const MySQLResult result(mysql_store_result(handle));
    benchmark::DoNotOptimize(mysql_fetch_row(result.get()));
  }
}
BENCHMARK(BM_PlainStoreResult)->Iterations(kOpens)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zararod

BENCHMARK_MAIN();
