// Small pieces shared by the jobs: statement texts on queries, opening a side,
// the progress bar's start, the jobs' code page and the declared type of a
// column. Matching records by key: app/record_keys.h; the transaction that
// guards one side of a job: app/job_transaction.h.
#pragma once

#include <string>

#include "app/job_reporter.h"
#include "db/query.h"

namespace zararod {

// Close the query, clear its text and set it to `text`.
void setQueryText(TZQuery& query, const std::string& text);

// Disconnect, switch to `database` and connect again: how a job opens each
// side. Connecting throws the connection's errors.
void reconnect(TZConnection& connection, const std::string& database);

// Shows the line's progress bar at 0 of `count` and lets the window paint it.
void startProgress(JobReporter& reporter, JobReporter::Line line, int count);

// The code page both job connections announce to their servers
// ("codepage=" property): the bytes of every key and value the jobs handle.
inline constexpr const char* kJobCodePage = "cp1250";

// The declared type name of a field's column ("varchar", "timestamp"...),
// empty when the column was not traced to a table column.
std::string declaredType(const TZQuery& query, const TField& field);

// Whether the server of `query`'s connection is a node of a Galera cluster
// (wsrep on). Asked with SHOW VARIABLES, which servers without wsrep answer
// with no row. Throws the errors of the query.
bool isClusterNode(TZQuery& query);

}  // namespace zararod
