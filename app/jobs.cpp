#include "app/jobs.h"

#include "app/job_support.h"
#include "app/value_builders.h"
#include "db/db_exceptions.h"
#include "settings/connection_settings.h"

namespace zararod {

namespace {

void initialValues(TZConnection& connection, const std::string& database) {
  connection.SetProtocol("mysql");
  connection.SetHostName("localhost");
  connection.SetDatabase(database);
  connection.SetUser("root");
  connection.SetPassword("");
  connection.SetPort(0);
  connection.SetProperties({std::string("codepage=") + kJobCodePage});
}

void applyLogin(TZConnection& connection, TZSQLProcessor& receiving, const ServerLogin& login) {
  connection.SetHostName(login.HostName);
  connection.SetUser(login.User);
  connection.SetPassword(login.Password);
  connection.SetPort(login.Port);
  receiving.SetBatchSize(login.Batch);
}

}  // namespace

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
  ZSQLProcessor1.SetBatchSize(kDefaultBatch);
  ZSQLProcessor21.SetConnection(&ZConnection2);
  ZSQLProcessor21.SetDelimiter(";");
  ZSQLProcessor21.SetBatchSize(kDefaultBatch);
}

Jobs::~Jobs() = default;

void Jobs::ApplySettings(const std::string& iniPath) {
  ZConnection2.Disconnect();
  ConnectionSettings settings = readConnectionSettings(iniPath);
  applyLogin(ZConnection2, ZSQLProcessor21, settings.Central);
  rada = settings.rada;
  ZConnection1.Disconnect();
  applyLogin(ZConnection1, ZSQLProcessor1, settings.Local);
}

std::string Jobs::udelejPolozky(const std::string& table, JobReporter& reporter) {
  return zararod::udelejPolozky(ZQuery2, table, reporter);
}

std::string Jobs::udelejData(TZQuery& source, JobReporter& reporter) {
  return zararod::udelejData(source, reporter, ZConnection2.NoBackslashEscapes());
}

void Jobs::runScript(TZSQLProcessor& processor) {
  if (!dryRun_) {
    processor.Execute();
    return;
  }
  // A dry run goes on past a rejected statement to find every one of them.
  processor.OnError = [this](TZSQLProcessor& p, int index, const std::exception& e,
                             TZErrorHandleAction& action) {
    rejected_.push_back({p.Statements(index), e.what()});
    action = eaSkip;
  };
  // The handler serves this run only, however the run ends.
  struct HandlerReset {
    TZSQLProcessor& processor;
    ~HandlerReset() { processor.OnError = nullptr; }
  } reset{processor};
  processor.Execute();
}

}  // namespace zararod
