// Stand-ins for servers and network links that fail, for tests of the time
// limits and of TLS. Both listen on a loopback address at the first free port
// of kTestPorts (the ports set aside for the test command's own listeners).
//
//  - SilentServer accepts connections (the system completes them) and never
//    sends a byte: a server, or a broken link, that never answers.
//  - TcpRelay forwards every connection to a real server, byte for byte,
//    until Stall(): from then on nothing more passes in either direction, as
//    when the link to a server vanishes in the middle of a conversation.
//    Listening on another loopback address than the server's (127.0.0.2)
//    lets a client reach the server by a name its certificate does not hold.
//
// Constructors throw std::runtime_error when no port can be had. Destruction
// closes every socket (the server behind a relay then sees the client go and
// rolls back what it had open). Not copyable; used from one test thread.
#pragma once

#include <array>
#include <atomic>
#include <string>
#include <thread>

#include "testing/socket.h"

namespace zararod::testing {

inline constexpr std::array<unsigned, 3> kTestPorts = {23073, 23074, 23075};

class SilentServer {
 public:
  explicit SilentServer(const std::string& address = "127.0.0.1");
  const std::string& host() const { return host_; }
  unsigned port() const { return port_; }

 private:
  std::string host_;
  unsigned port_ = 0;
  Socket listener_;
};

class TcpRelay {
 public:
  TcpRelay(const std::string& address, const std::string& serverHost, unsigned serverPort);
  ~TcpRelay();
  TcpRelay(const TcpRelay&) = delete;
  TcpRelay& operator=(const TcpRelay&) = delete;

  const std::string& host() const { return host_; }
  unsigned port() const { return port_; }
  // Stops forwarding for good; the connections stay open and silent.
  void Stall() { stalled_ = true; }

 private:
  void run();

  std::string host_;
  unsigned port_ = 0;
  std::string serverHost_;
  unsigned serverPort_;
  Socket listener_;
  std::atomic<bool> stalled_{false};
  std::atomic<bool> stopping_{false};  // ends the forwarding thread
  std::thread thread_;
};

}  // namespace zararod::testing
