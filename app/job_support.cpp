#include "app/job_support.h"

#include "db/connection.h"
#include "db/sql_strings.h"
#include "util/strings.h"

namespace zararod {

void setQueryText(TZQuery& query, const std::string& text) {
  query.Close();
  query.SQL().Clear();
  query.SQL().Add(text);
}

void reconnect(TZConnection& connection, const std::string& database) {
  connection.Disconnect();
  connection.SetDatabase(database);
  connection.Connect();
}

void startProgress(JobReporter& reporter, JobReporter::Line line, int count) {
  reporter.SetProgressMax(line, count);
  reporter.SetProgressVisible(line, true);
  reporter.SetProgressPosition(line, 0);
  reporter.ProcessPendingEvents();
}

std::string declaredType(const TZQuery& query, const TField& field) {
  return query.FieldDefs()[field.Index()].DeclaredTypeName;
}

bool isClusterNode(TZQuery& query) {
  setQueryText(query, "SHOW VARIABLES LIKE 'wsrep_on'");
  query.Open();
  const bool on = !query.Eof() && sameText(query.Fields(1).AsString(), "ON");
  query.Close();
  return on;
}

}  // namespace zararod
