// "odeslat VL" / "odeslat LL": the queued slips from the local server to the
// central server.
#include "app/job_texts.h"
#include "app/jobs.h"
#include "app/record_transfer.h"
#include "app/value_builders.h"

namespace zararod {

namespace {

struct SlipJob {
  const char* table;
  const char* queue;
  JobReporter::Line line;
  const char* statusText;
  const char* scriptFile;
};

constexpr SlipJob kWeighing{"vaznil",
                            "vaznil_00",
                            JobReporter::Line::WeighingSlips,
                            texts::kSendingWeighing,
                            "avl.txt"};
constexpr SlipJob kLaboratory{"laborl",           "laborl_00", JobReporter::Line::LabSlips,
                              texts::kSendingLab, "all.txt"};

}  // namespace

void Jobs::sendSlipsOnce(SlipKind kind, JobReporter& reporter) {
  const SlipJob& job = kind == SlipKind::Weighing ? kWeighing : kLaboratory;
  const std::string table = job.table;
  std::string columns;
  const TransferPlan plan{
      .line = job.line,
      .database = "vorazu1",
      .statusText = job.statusText,
      .recordTable = table,
      .sending = {ZConnection1, transaction1_, dequeue1_},
      .queue = kind == SlipKind::Weighing ? ZQuery1 : ZQuery3,
      .queueTable = job.queue,
      .records = ZQuery2,
      .keyColumns = {"cislodokla", "rada"},
      .receiving = {ZConnection2, transaction2_},
      .processor = ZSQLProcessor21,
      .scriptFile = job.scriptFile,
      .begin = [&](std::vector<std::string>&) { columns = udelejPolozky(table, reporter); },
      .readStatement =
          [&](const std::string& condition) {
            return "select " + columns + " from " + table + " where " + condition + ";";
          },
      .receiverDelete =
          [&](const std::string& condition) {
            return "delete from " + table + " where " + condition + ";";
          },
      // Every row the site holds under exactly a key: the central server ends
      // holding the same rows.
      .write =
          [&](TZQuery& rows, bool receiverNbe, std::vector<std::string>& script) {
            const std::string values = zararod::udelejData(rows, reporter, receiverNbe);
            script.push_back("INSERT INTO " + table + " (" + columns + ")");
            script.push_back(" value (" + values + ");");
          },
      .observe = observer_,
  };
  transfer(plan, dryRun_, rejected_, delivered_, reporter);
}

}  // namespace zararod
