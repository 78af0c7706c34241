// The script parser on any script, under every delimiter type and with
// cleanup on and off (picked by the first byte): it never fails, keeps no
// empty statement, and with cleanup on keeps no bytes up to 0x20 at either
// end of a statement. A second text continues the uncompleted statement.
#include "db/mysql_tokenizer.h"
#include "db/sql_script_parser.h"
#include "fuzz/fuzz_check.h"

using namespace zararod;

namespace {

bool trimmedAtBothEnds(const std::string& s) {
  const auto control = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  return !s.empty() && !control(s.front()) && !control(s.back());
}

void checkSplit(const TZSQLScriptParser& parser) {
  for (int i = 0; i < parser.StatementCount(); ++i) {
    const std::string& statement = parser.Statements(i);
    fuzz::require(!statement.empty(), "no empty statement");
    if (parser.CleanupStatements())
      fuzz::require(trimmedAtBothEnds(statement), "cleaned-up statements are trimmed");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned char settings = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  // A NUL byte, when there is one, separates the first text from the second.
  const std::size_t cut = rest.find('\0');
  const std::string first(rest.substr(0, cut));
  const std::string second(cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1));

  TZSQLScriptParser parser;
  parser.SetTokenizer(&SharedMySQLTokenizer());
  parser.SetDelimiterType(static_cast<TZDelimiterType>(settings & 3));
  parser.SetCleanupStatements((settings & 4) != 0);
  parser.SetDelimiter((settings & 8) != 0 ? "!!" : ";");
  parser.ParseText(first);
  checkSplit(parser);
  parser.ParseText(second);
  checkSplit(parser);
  return 0;
}
