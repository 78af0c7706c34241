#include "app/jobs.h"

#include "app/job_support.h"
#include "app/job_texts.h"
#include "app/value_builders.h"
#include "db/db_exceptions.h"
#include "db/properties.h"
#include "db/tls_policy.h"
#include "settings/connection_settings.h"

namespace zararod {

namespace {

// "codepage=cp1250": both connections announce the jobs' code page.
std::string codePageProperty() { return std::string("codepage=") + kJobCodePage; }

void initialValues(TZConnection& connection, const std::string& database) {
  connection.SetProtocol("mysql");
  connection.SetHostName("localhost");
  connection.SetDatabase(database);
  connection.SetUser("root");
  connection.SetPassword("");
  connection.SetPort(0);
  connection.SetProperties({codePageProperty()});
}

// The connection's properties for a login: the code page, the time limits
// the file gives (the connection's defaults otherwise) and compression.
TZProperties loginProperties(const ServerLogin& login) {
  TZProperties properties = {codePageProperty()};
  if (switchOfText(login.Compress).value_or(false)) properties.push_back("compress=1");
  if (login.ConnectTimeout) {
    properties.push_back("timeout=" + std::to_string(*login.ConnectTimeout));
  }
  if (login.ReadTimeout) {
    properties.push_back("readtimeout=" + std::to_string(*login.ReadTimeout));
    properties.push_back("writetimeout=" + std::to_string(*login.ReadTimeout));
  }
  return properties;
}

std::string neitherOnNorOff(const std::string& section, const char* key,
                            const std::string& value) {
  return "Settings: [" + section + "] " + key + "=" + value +
         " is neither on (1, yes, on, true) nor off (0, no, off, false)";
}

// With SSL on: verified TLS with the CA of SSLCA (the system's store when it
// is empty).
TZTlsPolicy tlsPolicy(const ServerLogin& login) {
  return switchOfText(login.SSL).value_or(false) ? TZTlsPolicy::Verified(login.SSLCA)
                                                 : TZTlsPolicy::None();
}

// A value of SSL neither on nor off lets no connection be made, rather than
// one in clear that the site may have meant to encrypt; so does such a value
// of Compress, rather than a connection of the other kind.
std::string loginRefusal(const ServerLogin& login, const std::string& section) {
  if (!switchOfText(login.SSL)) return neitherOnNorOff(section, "SSL", login.SSL);
  if (!switchOfText(login.Compress)) return neitherOnNorOff(section, "Compress", login.Compress);
  return {};
}

void applyLogin(TZConnection& connection, TZSQLProcessor& receiving, const ServerLogin& login,
                const std::string& section) {
  connection.SetHostName(login.HostName);
  connection.SetUser(login.User);
  connection.SetPassword(login.Password);
  connection.SetPort(login.Port);
  connection.SetProperties(loginProperties(login));
  connection.SetTls(tlsPolicy(login));
  connection.SetRefusal(loginRefusal(login, section));
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
  dequeue1_.SetConnection(&ZConnection1);
  dequeue2_.SetConnection(&ZConnection2);
}

Jobs::~Jobs() = default;

void Jobs::ApplySettings(const std::string& iniPath) {
  ZConnection2.Disconnect();
  ConnectionSettings settings = readConnectionSettings(iniPath);
  applyLogin(ZConnection2, ZSQLProcessor21, settings.Central, "LogON_adr");
  rada = settings.rada;
  ZConnection1.Disconnect();
  applyLogin(ZConnection1, ZSQLProcessor1, settings.Local, "LogON");
}

template <typename Attempt>
int Jobs::runAttempts(JobReporter& reporter, JobReporter::Line line, Attempt&& attempt) {
  delivered_ = 0;
  retry_.Run(
      [&] {
        if (dryRun_) delivered_ = 0;
        rejected_.clear();
        attempt();
        return 0;
      },
      [&](int number) { reporter.JobRetrying(line, number, JobRetry::kAttempts); });
  return delivered_;
}

int Jobs::ImportAddresses(JobReporter& reporter) {
  const int counter = runAttempts(reporter, JobReporter::Line::Addresses,
                                  [&] { importAddressesOnce(reporter); });
  reporter.ShowMessage(texts::kImported + std::to_string(counter) + texts::kImportedSuffix,
                       JobReporter::Icon::Information);
  return counter;
}

int Jobs::SendSlips(SlipKind kind, JobReporter& reporter) {
  const bool weighing = kind == SlipKind::Weighing;
  const int counter =
      runAttempts(reporter, weighing ? JobReporter::Line::WeighingSlips : JobReporter::Line::LabSlips,
                  [&] { sendSlipsOnce(kind, reporter); });
  reporter.ShowMessage(texts::kSent + std::to_string(counter) +
                           (weighing ? texts::kSentWeighingSuffix : texts::kSentLabSuffix),
                       JobReporter::Icon::Information);
  return counter;
}

std::string Jobs::udelejPolozky(const std::string& table, JobReporter& reporter) {
  return zararod::udelejPolozky(ZQuery2, table, reporter);
}

}  // namespace zararod
