// The start-up status check: the three queue counts.
#include "app/job_support.h"
#include "app/job_texts.h"
#include "app/jobs.h"

namespace zararod {

void Jobs::CheckStatus(JobReporter& reporter) {
  struct Check {
    JobReporter::Line line;
    TZConnection& connection;
    TZQuery& query;
    std::string statement;
    const char* text;
  };
  const Check checks[] = {
      {JobReporter::Line::Addresses, ZConnection2, ZQuery21, "select * from adresar_" + rada + ";",
       texts::kStatusAddresses},
      {JobReporter::Line::WeighingSlips, ZConnection1, ZQuery1, "select * from vaznil_00;",
       texts::kStatusWeighing},
      {JobReporter::Line::LabSlips, ZConnection1, ZQuery1, "select * from laborl_00;",
       texts::kStatusLab},
  };
  // Each check is guarded on its own: whatever fails only changes its own
  // status line and disables its own job.
  for (const Check& check : checks) {
    try {
      check.connection.Connect();
      setQueryText(check.query, check.statement);
      check.query.Open();
      reporter.SetStatusText(check.line, check.text + std::to_string(check.query.RecordCount()));
    } catch (...) {
      reporter.SetStatusText(check.line, texts::kCannotConnect + check.connection.HostName());
      reporter.DisableJob(check.line);
    }
  }
}

}  // namespace zararod
