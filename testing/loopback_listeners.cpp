#include "testing/loopback_listeners.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>
#include <vector>

namespace zararod::testing {
namespace {

sockaddr_in addressOf(const std::string& host, unsigned port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
    throw std::runtime_error("not an IPv4 address: " + host);
  return address;
}

// A listening socket on `host` at the first free port of kTestPorts.
Socket listenOnTestPort(const std::string& host, unsigned& port) {
  for (unsigned candidate : kTestPorts) {
    Socket listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (listener.get() < 0) break;
    const int yes = 1;
    setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const sockaddr_in address = addressOf(host, candidate);
    if (bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        listen(listener.get(), 16) == 0) {
      port = candidate;
      return listener;
    }
  }
  throw std::runtime_error("no free test port on " + host);
}

// Copies what is waiting on `from` to `to`. False when `from` has closed (or
// either side failed).
bool pass(const pollfd& from, int to) {
  if (from.revents == 0) return true;
  char buffer[16384];
  const ssize_t got = recv(from.fd, buffer, sizeof buffer, 0);
  if (got <= 0) return false;
  for (ssize_t sent = 0; sent < got;) {
    const ssize_t n = send(to, buffer + sent, static_cast<std::size_t>(got - sent), MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += n;
  }
  return true;
}

}  // namespace

Socket::~Socket() {
  if (fd_ >= 0) close(fd_);
}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.release();
  }
  return *this;
}

SilentServer::SilentServer(const std::string& address)
    : host_(address), listener_(listenOnTestPort(address, port_)) {}

TcpRelay::TcpRelay(const std::string& address, const std::string& serverHost, unsigned serverPort)
    : host_(address),
      serverHost_(serverHost),
      serverPort_(serverPort),
      listener_(listenOnTestPort(address, port_)) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  wake_[0] = Socket(fds[0]);
  wake_[1] = Socket(fds[1]);
  thread_ = std::thread([this] { run(); });
}

TcpRelay::~TcpRelay() {
  const char stop = 0;
  (void)!write(wake_[1].get(), &stop, 1);
  thread_.join();
}

void TcpRelay::run() {
  struct Link {
    Socket client, server;
  };
  std::vector<Link> links;
  for (;;) {
    std::vector<pollfd> watched = {{wake_[0].get(), POLLIN, 0}, {listener_.get(), POLLIN, 0}};
    const bool forwarding = !stalled_;
    if (forwarding) {
      for (const Link& link : links) {
        watched.push_back({link.client.get(), POLLIN, 0});
        watched.push_back({link.server.get(), POLLIN, 0});
      }
    }
    // A stall set meanwhile is seen within the poll interval.
    if (poll(watched.data(), watched.size(), 50) < 0) return;
    if (watched[0].revents != 0) return;
    if (watched[1].revents & POLLIN) {
      Link link{Socket(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC)),
                Socket(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))};
      const sockaddr_in target = addressOf(serverHost_, serverPort_);
      if (link.client.get() >= 0 && link.server.get() >= 0 &&
          connect(link.server.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) ==
              0) {
        links.push_back(std::move(link));
      }
    }
    if (!forwarding) continue;
    // Forward what arrived; a link ends when either side closes. Links
    // accepted in this round were not polled and are not looked at.
    const std::size_t polled = (watched.size() - 2) / 2;
    std::vector<bool> ended(polled, false);
    for (std::size_t i = 0; i < polled && !stalled_; ++i) {
      const Link& link = links[i];
      ended[i] = !pass(watched[2 + 2 * i], link.server.get()) ||
                 !pass(watched[3 + 2 * i], link.client.get());
    }
    for (std::size_t i = polled; i-- > 0;) {
      if (ended[i]) links.erase(links.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

}  // namespace zararod::testing
