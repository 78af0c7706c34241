// The SELECT analysis on any query text: it never fails, and every field and
// table reference it yields has a name.
#include "db/mysql_statement_analyser.h"
#include "db/mysql_tokenizer.h"
#include "fuzz/fuzz_check.h"

using namespace zararod;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::unique_ptr<TZSelectSchema> schema =
      SharedMySQLStatementAnalyser().DefineSelectSchemaFromQuery(SharedMySQLTokenizer(),
                                                                  fuzz::textOf(data, size));
  if (!schema) return 0;
  for (std::size_t i = 0; i < schema->FieldCount(); ++i) {
    const TZFieldRef& field = schema->Field(i);
    fuzz::require(!(field.IsField ? field.Field : field.Alias).empty(), "a field has a name");
  }
  for (std::size_t i = 0; i < schema->TableCount(); ++i)
    fuzz::require(!schema->Table(i).Table.empty(), "a table has a name");
  return 0;
}
