// What the column-kind correction adds to opening a query on a warm live
// connection (its metadata already cached): the same one-row SELECT of a
// 27-column slip opened with and without the correction, and the analysis of
// the statement text alone. Needs the sandbox's site server.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "db/column_kind_correction.h"
#include "db/connection.h"
#include "db/mysql_connection.h"
#include "db/mysql_statement_analyser.h"
#include "db/mysql_tokenizer.h"
#include "db/statement.h"
#include "testing/sandbox.h"
#include "testing/sandbox_connection.h"

namespace zararod {
namespace {

const std::string kSlipQuery =
    "select * from vaznil where cislodokla = '2026/0001' and rada = '01';\r\n";

std::unique_ptr<TZConnection> connectSite() {
  auto connection = std::make_unique<TZConnection>();
  testing::configureForSandbox(*connection, testing::Server::Site, "vorazu1");
  connection->Connect();
  return connection;
}

void openOnce(TZMySQLConnection& live) {
  std::unique_ptr<IZPreparedStatement> statement = live.PrepareStatement(kSlipQuery);
  statement->SetResultSetConcurrency(rcUpdatable);
  statement->SetResultSetType(rtScrollable);
  std::unique_ptr<IZResultSet> result = statement->ExecuteQueryPrepared();
  benchmark::DoNotOptimize(result->Next());
}

void BM_OpenWithCorrection(benchmark::State& state) {
  auto connection = connectSite();
  openOnce(*connection->LiveConnection());  // fills the metadata caches
  for (auto _ : state) openOnce(*connection->LiveConnection());
}
BENCHMARK(BM_OpenWithCorrection)->Unit(benchmark::kMicrosecond);

void BM_OpenWithoutCorrection(benchmark::State& state) {
  auto connection = connectSite();
  connection->LiveConnection()->SetColumnKindCorrector(nullptr);
  for (auto _ : state) openOnce(*connection->LiveConnection());
}
BENCHMARK(BM_OpenWithoutCorrection)->Unit(benchmark::kMicrosecond);

void BM_AnalyseTransferSelect(benchmark::State& state) {
  const std::string sql =
      "select PC8, cislodokla, rada, datum, cas, vazeno, spz, ridic, kodpar, nazevpar, "
      "komodita, brutto, tara, netto, vlhkost, necistoty, cena_t, castka, hmotnost_t, "
      "pocet_vazeni, stav, potvrzeno, poznamka, id_sklad, sklizen, zmeneno from vaznil "
      "where cislodokla = '2026/0001' and rada = '01'";
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        SharedMySQLStatementAnalyser().DefineSelectSchemaFromQuery(SharedMySQLTokenizer(), sql));
  }
}
BENCHMARK(BM_AnalyseTransferSelect)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zararod

BENCHMARK_MAIN();
