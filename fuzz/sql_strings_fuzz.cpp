// SQL text with parameter markers: building a text line by line (Add) gives
// the same statements, markers and parameter names as setting it at once
// (SetText), and both raise for the same texts. The first byte picks the
// settings.
#include "db/db_exceptions.h"
#include "db/sql_strings.h"
#include "fuzz/fuzz_check.h"
#include "util/strings.h"

using namespace zararod;

namespace {

// What a rescan made, in one comparable text.
std::string resultOf(const TZSQLStrings& sql) {
  std::string result;
  for (int i = 0; i < sql.StatementCount(); ++i) {
    const TZSQLStatement& statement = sql.Statements(i);
    result += statement.Text();
    result += '\x01';
    for (int m = 0; m < statement.MarkerCount(); ++m) result += std::to_string(statement.MarkerIndex(m)) + ',';
    result += '\x02';
  }
  for (const std::string& name : sql.ParamNameList()) result += name + '\x03';
  return result;
}

void configure(TZSQLStrings& sql, unsigned char settings) {
  sql.SetParamCheck((settings & 1) != 0);
  sql.SetMultiStatements((settings & 2) != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned char settings = data[0];
  const std::string_view text = fuzz::textOf(data + 1, size - 1);

  TZSQLStrings atOnce;
  configure(atOnce, settings);
  bool atOnceRaised = false;
  try {
    atOnce.SetText(text);
  } catch (const EZDatabaseError&) {
    atOnceRaised = true;
  }

  TZSQLStrings byLines;
  configure(byLines, settings);
  bool lastAddRaised = false;
  for (const std::string& line : splitLines(text)) {
    try {
      byLines.Add(line);
      lastAddRaised = false;
    } catch (const EZDatabaseError&) {
      lastAddRaised = true;
    }
  }
  fuzz::require(byLines.Text() == atOnce.Text(), "the same joined text");
  fuzz::require(lastAddRaised == atOnceRaised, "a bad marker raises either way");
  if (!atOnceRaised) {
    fuzz::require(resultOf(byLines) == resultOf(atOnce), "line by line equals at once");
  }
  return 0;
}
