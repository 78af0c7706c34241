#include "db/mysql_connection.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "db/column_kind_correction.h"
#include "db/db_exceptions.h"
#include "db/denied_statement.h"
#include "db/mysql_prepared_statement.h"
#include "db/mysql_statement.h"
#include "db/mysql_tokenizer.h"
#include "util/strings.h"

namespace zararod {
namespace {

thread_local int silentErrors = 0;

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string cutAt(const std::string& text, const char* stops) {
  return text.substr(0, text.find_first_of(stops));
}

// The client flag names by bit, from bit 0 to bit 31.
constexpr std::string_view kClientFlagNames[32] = {"CLIENT_LONG_PASSWORD",
                                                   "CLIENT_FOUND_ROWS",
                                                   "CLIENT_LONG_FLAG",
                                                   "CLIENT_CONNECT_WITH_DB",
                                                   "CLIENT_NO_SCHEMA",
                                                   "CLIENT_COMPRESS",
                                                   "CLIENT_ODBC",
                                                   "CLIENT_LOCAL_FILES",
                                                   "CLIENT_IGNORE_SPACE",
                                                   "CLIENT_CHANGE_USER",
                                                   "CLIENT_INTERACTIVE",
                                                   "CLIENT_SSL",
                                                   "CLIENT_IGNORE_SIGPIPE",
                                                   "CLIENT_TRANSACTIONS",
                                                   "CLIENT_RESERVED",
                                                   "CLIENT_SECURE_CONNECTION",
                                                   "CLIENT_MULTI_STATEMENTS",
                                                   "CLIENT_MULTI_RESULTS",
                                                   "CLIENT_OPT_18",
                                                   "CLIENT_OPT_19",
                                                   "CLIENT_OPT_20",
                                                   "CLIENT_OPT_21",
                                                   "CLIENT_OPT_22",
                                                   "CLIENT_OPT_23",
                                                   "CLIENT_OPT_24",
                                                   "CLIENT_OPT_25",
                                                   "CLIENT_OPT_26",
                                                   "CLIENT_OPT_27",
                                                   "CLIENT_OPT_28",
                                                   "CLIENT_OPT_29",
                                                   "CLIENT_OPT_30",
                                                   "CLIENT_REMEMBER_OPTIONS"};

constexpr int kDefaultPort = 3306;

struct NamedOption {
  std::string_view name;
  mysql_option option;
};
// Options that may be given by their own name, in the order they are set.
constexpr NamedOption kNamedOptions[] = {
    {"MYSQL_OPT_CONNECT_TIMEOUT", MYSQL_OPT_CONNECT_TIMEOUT},
    {"MYSQL_OPT_COMPRESS", MYSQL_OPT_COMPRESS},
    {"MYSQL_OPT_NAMED_PIPE", MYSQL_OPT_NAMED_PIPE},
    {"MYSQL_INIT_COMMAND", MYSQL_INIT_COMMAND},
    {"MYSQL_READ_DEFAULT_FILE", MYSQL_READ_DEFAULT_FILE},
    {"MYSQL_READ_DEFAULT_GROUP", MYSQL_READ_DEFAULT_GROUP},
    {"MYSQL_SET_CHARSET_DIR", MYSQL_SET_CHARSET_DIR},
    {"MYSQL_SET_CHARSET_NAME", MYSQL_SET_CHARSET_NAME},
};

// Options switched on by a true property of their own name, and both by a
// verified TLS policy: TLS required (no fall-back to an unencrypted
// connection) and the server's certificate verified, its host name included.
constexpr NamedOption kBooleanOptions[] = {
    {"MYSQL_OPT_SSL_ENFORCE", MYSQL_OPT_SSL_ENFORCE},
    {"MYSQL_OPT_SSL_VERIFY_SERVER_CERT", MYSQL_OPT_SSL_VERIFY_SERVER_CERT},
};

// Time limits in seconds when the properties give none.
constexpr unsigned int kDefaultConnectTimeout = 30;
constexpr unsigned int kDefaultReadWriteTimeout = 600;
// The longest limit whose milliseconds the client library can count.
constexpr std::int64_t kLongestTimeout = 2147483;

// A time limit in seconds from a property text: a number 0 or more (capped
// at the longest limit), otherwise nullopt.
std::optional<unsigned int> secondsOfText(std::string_view text) {
  const std::optional<std::int64_t> value = integerOfText(text);
  if (!value || *value < 0) return std::nullopt;
  return static_cast<unsigned int>(std::min(*value, kLongestTimeout));
}

void setTimeout(MYSQL* handle, mysql_option option, const TZProperties& properties,
                std::string_view property, unsigned int fallback) {
  const unsigned int seconds =
      secondsOfText(propertyOr(properties, property, "")).value_or(fallback);
  mysql_options(handle, option, &seconds);
}

const char* isolationStatement(TZTransactIsolationLevel level) {
  switch (level) {
    case tiReadCommitted:
      return "SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED";
    case tiRepeatableRead:
      return "SET SESSION TRANSACTION ISOLATION LEVEL REPEATABLE READ";
    case tiSerializable:
      return "SET SESSION TRANSACTION ISOLATION LEVEL SERIALIZABLE";
    case tiNone:
    case tiReadUncommitted:
      break;
  }
  return "SET SESSION TRANSACTION ISOLATION LEVEL READ UNCOMMITTED";
}

}  // namespace

SilentErrorScope::SilentErrorScope() { ++silentErrors; }
SilentErrorScope::~SilentErrorScope() { --silentErrors; }
int silentErrorCount() { return silentErrors; }

namespace {

// The error the handle reports ("SQL Error: " + its text, and its number);
// false when it reports none.
bool lastError(MYSQL* handle, std::string& message, int& code) {
  const std::string text(trimControls(mysql_error(handle)));
  code = static_cast<int>(mysql_errno(handle));
  if (code == 0 || text.empty()) return false;
  message = "SQL Error: " + text;
  return true;
}

}  // namespace

void checkMySQLError(MYSQL* handle, TZLoggingCategory /*category*/, const std::string& sql) {
  std::string message;
  int code = 0;
  if (!lastError(handle, message, code)) return;
  message = withDeniedStatement(std::move(message), code, sql);
  if (silentErrors > 0) throw EZMySQLSilentException(std::move(message), code);
  throw EZSQLException(std::move(message), code);
}

TZMySQLConnection::TZMySQLConnection(const std::string& hostName, int port,
                                     const std::string& database, const std::string& user,
                                     const std::string& password, const TZProperties& properties,
                                     TZTlsPolicy tls)
    : hostName_(cutAt(hostName, "/:?")),
      port_(port == 0 ? kDefaultPort : port),
      database_(cutAt(database, "?")),
      user_(user.empty() ? propertyOr(properties, "username", "") : user),
      password_(password.empty() ? propertyOr(properties, "password", "") : password),
      tls_(std::move(tls)) {
  // The user name and password go to the server whole, ";" included.
  properties_.reserve(properties.size() + 2);
  properties_.push_back("UID=" + user_);
  properties_.push_back("PWD=" + password_);
  properties_.insert(properties_.end(), properties.begin(), properties.end());
  clientCodePage_ = std::string(trimBlanks(propertyOr(properties_, "codepage", "")));
  // Every live connection corrects the column kinds of its results from the
  // declared types of their tables, with caches that live as long as it does.
  corrector_ = std::make_unique<TZMySQLColumnKindCorrector>(*this);
}

TZMySQLConnection::~TZMySQLConnection() { Close(); }

void TZMySQLConnection::Open() {
  if (handle_) return;
  const ThreadUse::Scope use = Use("live connection: connect");
  mysql_server_init(1, nullptr, nullptr);
  MySQLHandle handle(mysql_init(nullptr));
  if (!handle) throw EZSQLException("Cannot connect to SQL server", -1);
  handle_ = std::move(handle);
  try {
    setOptions();
    if (!mysql_real_connect(handle_.get(), hostName_.c_str(), user_.c_str(), password_.c_str(),
                            database_.c_str(), static_cast<unsigned>(port_), nullptr,
                            clientFlags())) {
      CheckError(lcConnect, "");
      throw EZSQLException("Cannot connect to SQL server", -1);
    }
    if (!clientCodePage_.empty()) {
      const std::string sql = "SET CHARACTER SET " + clientCodePage_;
      if (mysql_real_query(handle_.get(), sql.data(), sql.size()) != 0) CheckError(lcOther, sql);
    }
  } catch (...) {
    handle_.reset();
    throw;
  }
}

void TZMySQLConnection::setOptions() {
  MYSQL* handle = handle_.get();
  if (isTrueProperty(properties_, "compress")) mysql_options(handle, MYSQL_OPT_COMPRESS, nullptr);
  // Every wait on the server is bounded, so that a server (or a link) that
  // accepts and never answers ends in an error instead of a wait without end.
  // The connect limit also covers the server's greeting.
  setTimeout(handle, MYSQL_OPT_CONNECT_TIMEOUT, properties_, "timeout", kDefaultConnectTimeout);
  setTimeout(handle, MYSQL_OPT_READ_TIMEOUT, properties_, "readtimeout", kDefaultReadWriteTimeout);
  setTimeout(handle, MYSQL_OPT_WRITE_TIMEOUT, properties_, "writetimeout",
             kDefaultReadWriteTimeout);
  for (const NamedOption& named : kNamedOptions) {
    const std::optional<std::string> value = findProperty(properties_, named.name);
    if (!value || value->empty()) continue;
    switch (named.option) {
      case MYSQL_OPT_CONNECT_TIMEOUT: {
        // A whole number of seconds above 0; anything else (0, a negative
        // number, a text) keeps the limit set above rather than lifting it.
        const std::optional<unsigned int> seconds = secondsOfText(*value);
        if (seconds && *seconds > 0) mysql_options(handle, named.option, &*seconds);
        break;
      }
      case MYSQL_OPT_COMPRESS:
      case MYSQL_OPT_NAMED_PIPE:
        mysql_options(handle, named.option, nullptr);
        break;
      default:
        mysql_options(handle, named.option, value->c_str());
        break;
    }
  }
  if (isTrueProperty(properties_, "MYSQL_SSL")) {
    // Each absent or empty value is passed as no value.
    auto value = [this](std::string_view name) -> std::optional<std::string> {
      std::optional<std::string> text = findProperty(properties_, name);
      return text && !text->empty() ? text : std::nullopt;
    };
    auto pointer = [](const std::optional<std::string>& text) {
      return text ? text->c_str() : nullptr;
    };
    const auto key = value("MYSQL_SSL_KEY"), cert = value("MYSQL_SSL_CERT"),
               ca = value("MYSQL_SSL_CA"), capath = value("MYSQL_SSL_CAPATH"),
               cipher = value("MYSQL_SSL_CYPHER");
    mysql_ssl_set(handle, pointer(key), pointer(cert), pointer(ca), pointer(capath),
                  pointer(cipher));
  }
  const bool verified = tls_.kind == TZTlsPolicy::Kind::Verified;
  if (verified) {
    mysql_ssl_set(handle, nullptr, nullptr, tls_.caFile.empty() ? nullptr : tls_.caFile.c_str(),
                  nullptr, nullptr);
  }
  for (const NamedOption& flag : kBooleanOptions) {
    if (!verified && !isTrueProperty(properties_, flag.name)) continue;
    const my_bool on = 1;
    mysql_options(handle, flag.option, &on);
  }
}

unsigned long TZMySQLConnection::clientFlags() const {
  unsigned long flags = isTrueProperty(properties_, "dbless") ? 0 : CLIENT_CONNECT_WITH_DB;
  for (unsigned bit = 0; bit < 32; ++bit) {
    if (isTrueProperty(properties_, kClientFlagNames[bit])) flags |= 1UL << bit;
  }
  return flags;
}

void TZMySQLConnection::Close() {
  handle_.reset();  // mysql_close
}

std::unique_ptr<IZPreparedStatement> TZMySQLConnection::PrepareStatement(const std::string& sql,
                                                                         const TZProperties& info) {
  if (!handle_) Open();
  return std::make_unique<TZMySQLPreparedStatement>(*this, sql, info);
}

std::unique_ptr<IZStatement> TZMySQLConnection::CreateStatement(const TZProperties& info) {
  if (!handle_) Open();
  return std::make_unique<TZMySQLStatement>(*this, info);
}

void TZMySQLConnection::SetAutoCommit(bool autoCommit) {
  if (autoCommit == autoCommit_) return;
  const ThreadUse::Scope use = Use("live connection: auto-commit");
  if (handle_ && mysql_autocommit(handle_.get(), autoCommit) != 0) CheckError(lcExecute, "");
  autoCommit_ = autoCommit;
}

void TZMySQLConnection::SetTransactionIsolation(TZTransactIsolationLevel level) {
  if (level == isolation_) return;
  const ThreadUse::Scope use = Use("live connection: isolation level");
  if (handle_) {
    const std::string sql = isolationStatement(level);
    if (mysql_real_query(handle_.get(), sql.data(), sql.size()) != 0) CheckError(lcExecute, sql);
  }
  isolation_ = level;
}

void TZMySQLConnection::SetMultiStatements(bool on) {
  if (!handle_) Open();
  const ThreadUse::Scope use = Use("live connection: multi-statements");
  if (mysql_set_server_option(handle_.get(), on ? MYSQL_OPTION_MULTI_STATEMENTS_ON
                                                : MYSQL_OPTION_MULTI_STATEMENTS_OFF) != 0) {
    CheckError(lcOther, "");
  }
  multiStatements_ = on;
}

std::size_t TZMySQLConnection::MaxAllowedPacket() {
  if (maxAllowedPacket_ == 0) {
    std::unique_ptr<IZResultSet> rows =
        CreateStatement()->ExecuteQuery("SELECT @@max_allowed_packet");
    if (rows->Next()) maxAllowedPacket_ = static_cast<std::size_t>(rows->GetLong(1));
    rows->Close();
  }
  return maxAllowedPacket_;
}

TZMySQLConnection::BatchOutcome TZMySQLConnection::ExecuteBatch(const std::string& text,
                                                                int count) {
  if (!handle_) Open();
  const ThreadUse::Scope use = Use("live connection: batch");
  MYSQL* handle = handle_.get();
  BatchOutcome outcome;
  const auto failed = [&] {
    outcome.failed = true;
    if (!lastError(handle, outcome.message, outcome.errorCode)) {
      outcome.message = "SQL Error: the server ended the batch without a message";
      outcome.errorCode = -1;
    }
  };
  if (mysql_real_query(handle, text.data(), text.size()) != 0) {
    failed();
    return outcome;
  }
  for (;;) {
    if (mysql_field_count(handle) != 0) {
      const MySQLResult rows(mysql_store_result(handle));
      if (!rows) {  // its rows could not be read: the statement failed
        failed();
        break;
      }
    }
    ++outcome.done;
    const int next = mysql_next_result(handle);
    if (next < 0) break;
    if (next > 0) {
      failed();
      break;
    }
  }
  // A server that reads statement boundaries differently from the caller
  // would run statements nobody can account for.
  if (outcome.failed ? outcome.done >= count : outcome.done != count) {
    throw EZSQLException("SQL Error: the server read " + std::to_string(outcome.done) +
                             " statements of a batch of " + std::to_string(count),
                         -1);
  }
  return outcome;
}

bool TZMySQLConnection::NoBackslashEscapes() const {
  // The server reports the flag with every reply, so it follows a SET
  // sql_mode made on this connection.
  return handle_ && (handle_->server_status & SERVER_STATUS_NO_BACKSLASH_ESCAPES) != 0;
}

void TZMySQLConnection::CheckError(TZLoggingCategory category, const std::string& sql) {
  if (handle_) checkMySQLError(handle_.get(), category, sql);
}

void TZMySQLConnection::DiscardMoreResults(const std::string& sql) {
  if (!handle_) return;
  const ThreadUse::Scope use = Use("live connection: results");
  int status;
  while ((status = mysql_next_result(handle_.get())) == 0) {
    MySQLResult discarded(mysql_store_result(handle_.get()));
  }
  if (status > 0) CheckError(lcExecute, sql);
}

const IZTokenizer& TZMySQLConnection::GetTokenizer() const { return SharedMySQLTokenizer(); }

void TZMySQLConnection::SetColumnKindCorrector(std::unique_ptr<IZColumnKindCorrector> corrector) {
  corrector_ = std::move(corrector);
}

}  // namespace zararod
