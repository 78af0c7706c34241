// "odeslat VL" / "odeslat LL": the queued slips from the local server to the
// central server.
#include "app/job_support.h"
#include "app/job_texts.h"
#include "app/jobs.h"
#include "app/value_builders.h"

namespace zararod {

namespace {

struct SlipJob {
  const char* table;
  const char* queue;
  JobReporter::Line line;
  const char* statusText;
  const char* scriptFile;
  const char* messageSuffix;
};

constexpr SlipJob kWeighing{"vaznil", "vaznil_00", JobReporter::Line::WeighingSlips,
                            texts::kSendingWeighing, "avl.txt", texts::kSentWeighingSuffix};
constexpr SlipJob kLaboratory{"laborl", "laborl_00", JobReporter::Line::LabSlips,
                              texts::kSendingLab, "all.txt", texts::kSentLabSuffix};

}  // namespace

int Jobs::SendSlips(SlipKind kind, JobReporter& reporter) {
  const SlipJob& job = kind == SlipKind::Weighing ? kWeighing : kLaboratory;
  TZQuery& queue = kind == SlipKind::Weighing ? ZQuery1 : ZQuery3;
  const std::string table = job.table;
  rejected_.clear();
  JobTransaction sending(transaction1_, true);
  JobTransaction receiving(transaction2_, false);

  reconnect(ZConnection1, "vorazu1");
  sending.Begin();
  const bool localNbe = ZConnection1.NoBackslashEscapes();
  setQueryText(queue, std::string("select * from ") + job.queue + ";");
  queue.Open();
  const int count = queue.RecordCount();
  reporter.SetStatusText(job.line, job.statusText + std::to_string(count));
  reporter.ProcessPendingEvents();

  reconnect(ZConnection2, "vorazu1");
  receiving.Begin();
  const bool centralNbe = ZConnection2.NoBackslashEscapes();

  ZSQLProcessor21.Script().Clear();
  queue.First();
  startProgress(reporter, job.line, count);
  const std::string columns = udelejPolozky(table, reporter);

  int counter = 0;
  while (!queue.Eof()) {
    ++counter;
    reporter.SetProgressPosition(job.line, counter);
    reporter.ProcessPendingEvents();
    const std::string number = keyText(queue.FieldByName("cislodokla"));
    const std::string series = keyText(queue.FieldByName("rada"));
    const std::string localKey =
        " where " + keyCondition({{"cislodokla", number}, {"rada", series}}, localNbe) + ";";
    ZSQLProcessor21.Script().Add("delete from " + table + " where " +
                                 keyCondition({{"cislodokla", number}, {"rada", series}},
                                              centralNbe) +
                                 ";");

    setQueryText(ZQuery2, "select " + columns + " from " + table + localKey);
    ZQuery2.Open();
    // Every row the site holds under exactly this key: the central server
    // ends holding the same rows.
    for (ZQuery2.First(); !ZQuery2.Eof(); ZQuery2.Next()) {
      const std::string values = udelejData(ZQuery2, reporter);
      ZSQLProcessor21.Script().Add("INSERT INTO " + table + " (" + columns + ")");
      ZSQLProcessor21.Script().Add(" value (" + values + ");");
    }
    setQueryText(ZQuery2, std::string("delete from ") + job.queue + localKey);
    ZQuery2.ExecSQL();
    ZQuery2.Close();
    queue.Next();
  }
  ZSQLProcessor21.Script().SaveToFile(job.scriptFile);
  runScript(ZSQLProcessor21);
  receiving.Finish(dryRun_);
  sending.Finish(dryRun_);

  reporter.ShowMessage(texts::kSent + std::to_string(counter) + job.messageSuffix,
                       JobReporter::Icon::Information);
  return counter;
}

}  // namespace zararod
