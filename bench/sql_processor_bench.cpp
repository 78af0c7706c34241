// The script processor's costs that grow with the script:
//
// BM_AppendSlipLines builds a slip script line by line through Script: the
// cost must grow linearly with the number of lines. Each slip adds the three
// lines the slip transfer writes (delete, INSERT with ~25 column names, value
// line with ~25 quoted values, times of day included, so the text has colons
// inside quoted values). 30,000 lines should take about ten times as long as
// 3,000, and 90,000 about thirty times.
//
// BM_SplitOneLongStatement splits a script of one long statement (an INSERT
// of many value rows, 64 KB, 256 KB and 1 MB) the way the processor does,
// under each delimiter setting whose handling of whitespace differs: the
// default ";" as the processor keeps statements, the same with comments and
// whitespace cleaned up, and the empty-line delimiter. The cost must grow
// linearly with the length: 1 MB about sixteen times as long as 64 KB.
//
//   build/bench/sql_processor_bench --benchmark_repetitions=3
#include <benchmark/benchmark.h>

#include <string>

#include "db/mysql_tokenizer.h"
#include "db/sql_processor.h"
#include "db/sql_script_parser.h"
#include "db/sql_strings.h"

namespace zararod {
namespace {

const std::string kColumns =
    "PC8,cislodokla,rada,datum,cas,vazeno,spz,ridic,kodpar,nazevpar,komodita,brutto,tara,"
    "netto,vlhkost,necistoty,cena_t,castka,hmotnost_t,pocet_vazeni,stav,potvrzeno,poznamka,"
    "id_sklad,sklizen";

std::string slipNumber(int i) { return "'2026/" + std::to_string(100000 + i) + "'"; }

void BM_AppendSlipLines(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TZSQLProcessor processor;
    processor.Script().Clear();
    for (int i = 0; i < lines / 3; ++i) {
      const std::string key = slipNumber(i);
      processor.Script().Add("delete from vaznil where cislodokla = " + key + " and rada = '01';");
      processor.Script().Add("INSERT INTO vaznil (" + kColumns + ")");
      processor.Script().Add(
          " value ('1'," + key +
          ",'01','2026-07-14','07:42:10','2026-07-14 07:42:10','3B4 5521','Jiri Dvorak',"
          "'100234','Zemedelske druzstvo Zdar, a.s.','psenice potravinarska','38420','14380',"
          "'24040','13.8','1.2','5120.5','123089','24.04','2','1','True',"
          "'Vlhkost premerena; vzorek c. 2: OK?','9000000001','2026');");
    }
    benchmark::DoNotOptimize(processor.Script().Text().size());
  }
  state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_AppendSlipLines)
    ->Arg(3000)
    ->Arg(30000)
    ->Arg(90000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// One INSERT of value rows over CR LF lines, `size` bytes long, with a ";"
// at its end.
std::string longStatement(std::size_t size) {
  std::string text = "INSERT INTO vaznil (" + kColumns + ")\r\n values\r\n";
  for (int i = 0; text.size() < size; ++i) {
    text += " (" + slipNumber(i) + ", '01',  '2026-07-14 07:42:10', 'Jiri Dvorak', '38420'),\r\n";
  }
  text += " ('x', '01', '2026-07-14 07:42:10', 'Jiri Dvorak', '0');\r\n";
  return text;
}

enum SplitSetting { kKept, kCleanedUp, kEmptyLine };

void BM_SplitOneLongStatement(benchmark::State& state) {
  const std::string script = longStatement(static_cast<std::size_t>(state.range(0)) << 10);
  const auto setting = static_cast<SplitSetting>(state.range(1));
  TZSQLScriptParser parser;
  parser.SetTokenizer(&SharedMySQLTokenizer());
  parser.SetCleanupStatements(setting == kCleanedUp);
  parser.SetDelimiterType(setting == kEmptyLine ? dtEmptyLine : dtDefault);
  for (auto _ : state) {
    parser.Clear();
    parser.ParseText(script);
    benchmark::DoNotOptimize(parser.StatementCount());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(script.size()));
  state.SetLabel(setting == kKept ? "kept" : setting == kCleanedUp ? "cleaned up" : "empty line");
}
BENCHMARK(BM_SplitOneLongStatement)
    ->ArgsProduct({{64, 256, 1024}, {kKept, kCleanedUp, kEmptyLine}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zararod

BENCHMARK_MAIN();
