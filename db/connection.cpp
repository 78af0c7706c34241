#include "db/connection.h"

#include <algorithm>

#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "db/mysql_tokenizer.h"

namespace zararod {

TZConnection::TZConnection() = default;

TZConnection::~TZConnection() {
  try {
    Disconnect();
  } catch (...) {
    // A disconnect hook failed while the connection goes away; nothing is
    // left to report it to.
  }
}

void TZConnection::Connect() {
  if (live_) return;
  if (BeforeConnect) BeforeConnect(*this);
  if (!refusal_.empty()) throw EZSQLException(refusal_, -1);
  auto live = std::make_unique<TZMySQLConnection>(hostName_, port_, database_, user_, password_,
                                                  properties_, tls_);
  live->Open();
  live->SetAutoCommit(autoCommit_);
  live->SetReadOnly(readOnly_);
  live->SetCatalog(catalog_);
  live->SetTransactionIsolation(isolation_);
  live_ = std::move(live);
  if (AfterConnect) AfterConnect(*this);
}

void TZConnection::Disconnect() {
  if (!live_) return;
  if (BeforeDisconnect) BeforeDisconnect(*this);
  // A client may unregister itself while it closes: walk a copy.
  const std::vector<IZConnectionClient*> clients = clients_;
  for (IZConnectionClient* client : clients) {
    try {
      client->CloseAtDisconnect();
    } catch (...) {
      // One client failing to close must not keep the others open.
    }
  }
  live_.reset();
  if (AfterDisconnect) AfterDisconnect(*this);
}

bool TZConnection::Connected() const { return live_ && !live_->IsClosed(); }

void TZConnection::SetConnected(bool connected) {
  if (connected == Connected()) return;
  if (connected) {
    Connect();
  } else {
    Disconnect();
  }
}

bool TZConnection::NoBackslashEscapes() const {
  return live_ != nullptr && live_->NoBackslashEscapes();
}

const IZTokenizer& TZConnection::GetTokenizer() const { return SharedMySQLTokenizer(); }

void TZConnection::RegisterClient(IZConnectionClient& client) {
  if (std::find(clients_.begin(), clients_.end(), &client) == clients_.end()) {
    clients_.push_back(&client);
  }
}

void TZConnection::UnregisterClient(IZConnectionClient& client) {
  clients_.erase(std::remove(clients_.begin(), clients_.end(), &client), clients_.end());
}

}  // namespace zararod
