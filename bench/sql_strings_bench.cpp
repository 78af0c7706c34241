// Setting a slip script at once, as the transfer jobs set each chunk: a
// delete line, an INSERT line with 25 column names and a value line with 25
// quoted values per record. The scan must cost O(n): compare the times for
// 3,000, 30,000 and 90,000 lines (the per_line counter, the time per line,
// stays flat when it does).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "db/sql_strings.h"

namespace zararod {
namespace {

std::vector<std::string> slipLines(int lineCount) {
  std::string insert = "INSERT INTO vaznil (";
  for (int c = 0; c < 25; ++c) insert += (c ? ",sloupec" : "sloupec") + std::to_string(c);
  insert += ")";
  std::vector<std::string> lines;
  for (int record = 0; static_cast<int>(lines.size()) < lineCount; ++record) {
    const std::string key = std::to_string(100000 + record);
    lines.push_back("delete from vaznil where cislodokla='" + key + "' and rada='10';");
    lines.push_back(insert);
    std::string values = " value (";
    for (int c = 0; c < 25; ++c) {
      if (c) values += ",";
      values += c % 4 == 0 ? "'2026-07-26 12:30:00'" : c % 4 == 1 ? "'O''Brien'" : "'" + key + "'";
    }
    lines.push_back(values + ");");
  }
  lines.resize(static_cast<std::size_t>(lineCount));
  return lines;
}

void BM_SetSlipScript(benchmark::State& state) {
  const std::vector<std::string> lines = slipLines(static_cast<int>(state.range(0)));
  std::string text;
  for (const std::string& line : lines) text.append(line).append("\r\n");
  for (auto _ : state) {
    TZSQLStrings script;
    script.SetText(text);
    benchmark::DoNotOptimize(script.StatementCount());
  }
  state.counters["per_line"] = benchmark::Counter(
      static_cast<double>(lines.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_SetSlipScript)->Arg(3000)->Arg(30000)->Arg(90000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zararod

BENCHMARK_MAIN();
