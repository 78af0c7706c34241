// "nahrát Adresář": the queued addresses from the central server into the
// local server.
#include "app/address_columns.h"
#include "app/job_support.h"
#include "app/job_texts.h"
#include "app/jobs.h"
#include "app/record_transfer.h"
#include "app/value_builders.h"

namespace zararod {

void Jobs::importAddressesOnce(JobReporter& reporter) {
  const TransferPlan plan{
      .line = JobReporter::Line::Addresses,
      .database = "dovodi",
      .statusText = texts::kStatusAddresses,
      .recordTable = "adresar",
      .sending = {ZConnection2, transaction2_, dequeue2_},
      .queue = ZQuery21,
      .queueTable = "adresar_" + rada,
      .records = ZQuery22,
      .keyColumns = {"kodpar"},
      .receiving = {ZConnection1, transaction1_},
      .processor = ZSQLProcessor1,
      .scriptFile = "aad.txt",
      .begin =
          [](std::vector<std::string>& script) {
            script.push_back("UPDATE adresar SET LIC_VNITRO=\"N\" where LEFT(kodpar,3) = \"A00\";");
            script.push_back("UPDATE adresar SET LIC_VNITRO=\"N\" where LEFT(kodpar,3) = \"790\";");
          },
      .readStatement =
          [](const std::string& condition) {
            return "select * from adresar where " + condition;
          },
      .receiverDelete =
          [](const std::string& condition) {
            return "delete from adresar where " + condition + ";";
          },
      // Every address the central server holds under exactly a key: the local
      // server ends holding the same ones.
      .write =
          [](TZQuery& rows, bool receiverNbe, std::vector<std::string>& script) {
            script.push_back("INSERT into adresar SET ");
            for (const char* column : kAddressColumns) {
              const TField& field = rows.FieldByName(column);
              script.push_back(
                  std::string(" ") + column + "=" +
                  textLiteral(readField(field), declaredType(rows, field), receiverNbe) + ",");
            }
            script.push_back(" DATUMZAL=NOW();");
          },
      .observe = observer_,
  };
  transfer(plan, dryRun_, rejected_, delivered_, reporter);
}

}  // namespace zararod
