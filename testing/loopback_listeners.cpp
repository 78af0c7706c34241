#include "testing/loopback_listeners.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace zararod::testing {
namespace {

// A listening socket on `host` at the first free port of kTestPorts.
Socket listenOnTestPort(const std::string& host, unsigned& port) {
  for (unsigned candidate : kTestPorts) {
    if (Socket listener = listenOn(host, candidate); listener.valid()) {
      port = candidate;
      return listener;
    }
  }
  throw std::runtime_error("no free test port on " + host);
}

// Copies what is waiting on `from` to `to`. False when `from` has closed (or
// either side failed).
bool pass(const PollEntry& watched, const Socket& from, const Socket& to) {
  if (watched.revents == 0) return true;
  char buffer[16384];
  const long got = receiveSome(from, buffer, sizeof buffer);
  if (got <= 0) return false;
  for (long sent = 0; sent < got;) {
    const long n = sendSome(to, buffer + sent, static_cast<std::size_t>(got - sent));
    if (n <= 0) return false;
    sent += n;
  }
  return true;
}

}  // namespace

SilentServer::SilentServer(const std::string& address)
    : host_(address), listener_(listenOnTestPort(address, port_)) {}

TcpRelay::TcpRelay(const std::string& address, const std::string& serverHost, unsigned serverPort)
    : host_(address),
      serverHost_(serverHost),
      serverPort_(serverPort),
      listener_(listenOnTestPort(address, port_)) {
  thread_ = std::thread([this] { run(); });
}

TcpRelay::~TcpRelay() {
  stopping_ = true;
  thread_.join();
}

void TcpRelay::run() {
  struct Link {
    Socket client, server;
  };
  std::vector<Link> links;
  while (!stopping_) {
    std::vector<PollEntry> watched = {{listener_.get(), POLLIN, 0}};
    const bool forwarding = !stalled_;
    if (forwarding) {
      for (const Link& link : links) {
        watched.push_back({link.client.get(), POLLIN, 0});
        watched.push_back({link.server.get(), POLLIN, 0});
      }
    }
    // A stall or the end set meanwhile is seen within the poll interval.
    if (pollSockets(watched.data(), watched.size(), 50) < 0) return;
    if (watched[0].revents & POLLIN) {
      Link link{acceptConnection(listener_), connectTo(serverHost_, serverPort_)};
      if (link.client.valid() && link.server.valid()) links.push_back(std::move(link));
    }
    if (!forwarding) continue;
    // Forward what arrived; a link ends when either side closes. Links
    // accepted in this round were not polled and are not looked at.
    const std::size_t polled = (watched.size() - 1) / 2;
    std::vector<bool> ended(polled, false);
    for (std::size_t i = 0; i < polled && !stalled_; ++i) {
      const Link& link = links[i];
      ended[i] = !pass(watched[1 + 2 * i], link.client, link.server) ||
                 !pass(watched[2 + 2 * i], link.server, link.client);
    }
    for (std::size_t i = polled; i-- > 0;) {
      if (ended[i]) links.erase(links.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

}  // namespace zararod::testing
