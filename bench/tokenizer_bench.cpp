// Tokenizing a large script of slip statements: quoted values with doubled
// quotes and backslash escapes, comments, numbers. Reports MB/s without
// options (the script split) and with the options of the parameter rescan.
#include <benchmark/benchmark.h>

#include <string>

#include "db/mysql_tokenizer.h"

namespace zararod {
namespace {

std::string mixedScript(std::size_t minimumBytes) {
  std::string script;
  for (int record = 0; script.size() < minimumBytes; ++record) {
    const std::string key = std::to_string(100000 + record);
    script += "# slip " + key + "\r\n";
    script += "delete from vaznil where cislodokla='" + key + "' and rada='10';\r\n";
    script += "INSERT INTO vaznil (";
    for (int c = 0; c < 25; ++c) script += (c ? ",sloupec" : "sloupec") + std::to_string(c);
    script += ")\r\n value (";
    for (int c = 0; c < 25; ++c) {
      if (c) script += ",";
      switch (c % 5) {
        case 0: script += "'" + key + "'"; break;
        case 1: script += "'O''Brien \\'s\\\\ farm'"; break;
        case 2: script += "'2026-07-26 12:30:00'"; break;
        case 3: script += "'12.5e3'"; break;
        default: script += "'p\xF8\xEDjem zrn\xED'"; break;
      }
    }
    script += ");/* kontrola */ -- konec\r\n";
    script += "select 12.5e3, 0x1F, .5, 42;\r\n";
  }
  return script;
}

void tokenize(benchmark::State& state, TZTokenOptions options) {
  const std::string script = mixedScript(8 << 20);
  const IZTokenizer& tokenizer = SharedMySQLTokenizer();
  for (auto _ : state) {
    TZTokenList tokens = tokenizer.Tokenize(script, options);
    benchmark::DoNotOptimize(tokens.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(script.size()));
  state.counters["script_MB"] = static_cast<double>(script.size()) / 1e6;
}

void BM_TokenizeNoOptions(benchmark::State& state) { tokenize(state, {}); }
void BM_TokenizeRescanOptions(benchmark::State& state) {
  tokenize(state, TZTokenOption::toSkipComments | TZTokenOption::toUnifyWhitespace);
}

BENCHMARK(BM_TokenizeNoOptions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TokenizeRescanOptions)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zararod

BENCHMARK_MAIN();
