#include "app/jobs.h"

#include <mysql.h>

#include "app/value_builders.h"
#include "db/db_exceptions.h"
#include "db/properties.h"
#include "settings/connection_settings.h"

namespace zararod {

namespace {

// The one property of both connections before the settings are applied.
const char kCodePageProperty[] = "codepage=cp1250";

void initialValues(TZConnection& connection, const std::string& database) {
  connection.SetProtocol("mysql");
  connection.SetHostName("localhost");
  connection.SetDatabase(database);
  connection.SetUser("root");
  connection.SetPassword("");
  connection.SetPort(0);
  connection.SetProperties({kCodePageProperty});
}

// The connection's properties for a login: the code page, the time limits
// the file gives (the connection's defaults otherwise) and, with SSL on, TLS
// required and the server's certificate and host name verified.
TZProperties loginProperties(const ServerLogin& login) {
  TZProperties properties = {kCodePageProperty};
  if (login.ConnectTimeout) {
    properties.push_back("timeout=" + std::to_string(*login.ConnectTimeout));
  }
  if (login.ReadTimeout) {
    properties.push_back("readtimeout=" + std::to_string(*login.ReadTimeout));
    properties.push_back("writetimeout=" + std::to_string(*login.ReadTimeout));
  }
  if (isTrueText(login.SSL)) {
    properties.insert(properties.end(),
                      {"MYSQL_SSL=1", "MYSQL_OPT_SSL_ENFORCE=1",
                       "MYSQL_OPT_SSL_VERIFY_SERVER_CERT=1", "MYSQL_SSL_CA=" + login.SSLCA});
  }
  return properties;
}

void applyLogin(TZConnection& connection, const ServerLogin& login) {
  connection.SetHostName(login.HostName);
  connection.SetUser(login.User);
  connection.SetPassword(login.Password);
  connection.SetPort(login.Port);
  connection.SetProperties(loginProperties(login));
}

}  // namespace

bool noBackslashEscapes(const TZConnection& connection) {
  TZMySQLConnection* live = connection.LiveConnection();
  MYSQL* handle = live != nullptr ? live->Handle() : nullptr;
  return handle != nullptr && (handle->server_status & SERVER_STATUS_NO_BACKSLASH_ESCAPES) != 0;
}

Jobs::Jobs() {
  initialValues(ZConnection1, "vorazu1");
  initialValues(ZConnection2, "dovodi");
  for (TZQuery* query : {&ZQuery1, &ZQuery2, &ZQuery3, &transaction1_}) {
    query->SetConnection(&ZConnection1);
  }
  for (TZQuery* query : {&ZQuery21, &ZQuery22, &transaction2_}) {
    query->SetConnection(&ZConnection2);
  }
  ZSQLProcessor1.SetConnection(&ZConnection1);
  ZSQLProcessor1.SetDelimiter(";");
  ZSQLProcessor21.SetConnection(&ZConnection2);
  ZSQLProcessor21.SetDelimiter(";");
}

Jobs::~Jobs() = default;

void Jobs::ApplySettings(const std::string& iniPath) {
  ZConnection2.Disconnect();
  ConnectionSettings settings = readConnectionSettings(iniPath);
  applyLogin(ZConnection2, settings.Central);
  rada = settings.rada;
  ZConnection1.Disconnect();
  applyLogin(ZConnection1, settings.Local);
}

int Jobs::ImportAddresses(JobReporter& reporter) {
  return retry_.Run([&] { return importAddressesOnce(reporter); },
                    [&](int attempt) {
                      reporter.JobRetrying(JobReporter::Line::Addresses, attempt,
                                           JobRetry::kAttempts);
                    });
}

int Jobs::SendSlips(SlipKind kind, JobReporter& reporter) {
  const JobReporter::Line line = kind == SlipKind::Weighing ? JobReporter::Line::WeighingSlips
                                                            : JobReporter::Line::LabSlips;
  return retry_.Run([&] { return sendSlipsOnce(kind, reporter); },
                    [&](int attempt) { reporter.JobRetrying(line, attempt, JobRetry::kAttempts); });
}

std::string Jobs::udelejPolozky(const std::string& table, JobReporter& reporter) {
  return zararod::udelejPolozky(ZQuery2, table, reporter);
}

std::string Jobs::udelejData(TZQuery& source, JobReporter& reporter) {
  return zararod::udelejData(source, reporter, noBackslashEscapes(ZConnection2));
}

void Jobs::runScript(TZSQLProcessor& processor) {
  if (!dryRun_) {
    processor.Execute();
    return;
  }
  // A dry run goes on past a rejected statement to find every one of them.
  // A lock error is not a rejection: the server has rolled back (a deadlock)
  // or may roll back the whole transaction, so the run ends and the job is
  // tried again.
  processor.OnError = [this](TZSQLProcessor& p, int index, const std::exception& e,
                             TZErrorHandleAction& action) {
    if (JobRetry::IsRetryable(e)) return;
    rejected_.push_back({p.Statements(index), e.what()});
    action = eaSkip;
  };
  // The handler serves this run only, however the run ends.
  struct HandlerReset {
    TZSQLProcessor& processor;
    ~HandlerReset() { processor.OnError = nullptr; }
  } reset{processor};
  processor.Execute();
  if (!rejected_.empty()) throw EZSQLException(rejected_.front().message);
}

}  // namespace zararod
