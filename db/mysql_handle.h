// Owning handles for the client library: a connection handle closed with
// mysql_close and a result freed with mysql_free_result.
#pragma once

#include <mysql.h>

#include <memory>

namespace zararod {

struct MySQLHandleCloser {
  void operator()(MYSQL* handle) const noexcept { mysql_close(handle); }
};
using MySQLHandle = std::unique_ptr<MYSQL, MySQLHandleCloser>;

struct MySQLResultFreer {
  void operator()(MYSQL_RES* result) const noexcept { mysql_free_result(result); }
};
using MySQLResult = std::unique_ptr<MYSQL_RES, MySQLResultFreer>;

}  // namespace zararod
