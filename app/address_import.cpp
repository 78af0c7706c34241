// "nahrát Adresář": the queued addresses from the central server into the
// local server.
#include "app/job_support.h"
#include "app/job_texts.h"
#include "app/jobs.h"
#include "app/value_builders.h"
#include "db/sql_strings.h"

namespace zararod {

namespace {

// The columns of the INSERT, in the order and spelling of its lines.
constexpr const char* kColumns[] = {
    "NAZEVPODNI", "SIDLO", "ULICECISLO", "PSC",  "POSTA",    "KODPAR",     "ICO",
    "KOD_PLATCE", "ADR1",  "ADR2",       "ADR3", "ADR4",     "ADR5",       "ADR6",
    "emailobj",   "email_fakt", "LIC_VNITRO"};

}  // namespace

int Jobs::ImportAddresses(JobReporter& reporter) {
  const JobReporter::Line line = JobReporter::Line::Addresses;
  rejected_.clear();
  JobTransaction sending(transaction2_, true);
  JobTransaction receiving(transaction1_, false);
  std::vector<std::string> lines;

  reconnect(ZConnection2, "dovodi");
  sending.Begin();
  const bool centralNbe = ZConnection2.NoBackslashEscapes();
  setQueryText(ZQuery21, "select * from adresar_" + rada + ";");
  ZQuery21.Open();
  const int count = ZQuery21.RecordCount();
  reporter.SetStatusText(line, texts::kStatusAddresses + std::to_string(count));
  reporter.ProcessPendingEvents();

  reconnect(ZConnection1, "dovodi");
  receiving.Begin();
  const bool localNbe = ZConnection1.NoBackslashEscapes();

  lines.push_back("UPDATE adresar SET LIC_VNITRO=\"N\" where LEFT(kodpar,3) = \"A00\";");
  lines.push_back("UPDATE adresar SET LIC_VNITRO=\"N\" where LEFT(kodpar,3) = \"790\";");
  ZQuery21.First();
  startProgress(reporter, line, count);
  int counter = 0;

  while (!ZQuery21.Eof()) {
    ++counter;
    reporter.SetProgressPosition(line, counter);
    reporter.ProcessPendingEvents();
    const std::string key = keyText(ZQuery21.FieldByName("kodpar"));
    const std::string centralKey = " where " + keyCondition({{"kodpar", key}}, centralNbe);
    lines.push_back("delete from adresar where " + keyCondition({{"kodpar", key}}, localNbe) +
                    ";");

    setQueryText(ZQuery22, "select * from adresar" + centralKey);
    ZQuery22.Open();
    // Every address the central server holds under exactly this key: the
    // local server ends holding the same ones.
    for (ZQuery22.First(); !ZQuery22.Eof(); ZQuery22.Next()) {
      lines.push_back("INSERT into adresar SET ");
      for (const char* column : kColumns) {
        const TField& field = ZQuery22.FieldByName(column);
        lines.push_back(std::string(" ") + column + "=" +
                        textLiteral(readField(field), declaredType(ZQuery22, field), localNbe) +
                        ",");
      }
      lines.push_back(" DATUMZAL=NOW();");
    }
    setQueryText(ZQuery22, "delete from adresar_" + rada + centralKey);
    ZQuery22.ExecSQL();
    ZQuery22.Close();
    ZQuery21.Next();
  }
  saveLines(lines, "aad.txt");
  lines.clear();

  ZSQLProcessor1.Script().Clear();
  ZSQLProcessor1.Script().LoadFromFile("aad.txt");
  runScript(ZSQLProcessor1);
  receiving.Finish(dryRun_);
  sending.Finish(dryRun_);

  reporter.ShowMessage(texts::kImported + std::to_string(counter) + texts::kImportedSuffix,
                       JobReporter::Icon::Information);
  return counter;
}

}  // namespace zararod
