// The TLS a connection asks of its server, said in the connection's own
// terms; the live connection turns it into client library options
// (db/mysql_connection.cpp).
#pragma once

#include <string>
#include <utility>

namespace zararod {

struct TZTlsPolicy {
  enum class Kind {
    // No TLS asked for: the connection is plain unless the properties ask
    // for TLS by the client library's own option names.
    None,
    // TLS required and the server's certificate verified, its host name
    // included, against `caFile` (PEM), or the system's certificate store
    // when `caFile` is empty. A server without TLS, a certificate that is
    // not trusted or names another host fails the connect before any
    // statement is sent.
    Verified,
  };
  Kind kind = Kind::None;
  std::string caFile;  // Verified only

  static TZTlsPolicy None() { return {}; }
  static TZTlsPolicy Verified(std::string caFile) { return {Kind::Verified, std::move(caFile)}; }
};

}  // namespace zararod
