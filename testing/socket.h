// TCP sockets for test support, the same calls on every system: Winsock on
// Windows (started once, on first use), BSD sockets elsewhere.
//
// Socket owns one socket and closes it on destruction. The free functions
// make loopback listeners and connections for tests that stand in for a
// server or need a port on which nobody listens. None of them throws; a
// failure gives an invalid Socket (valid() is false).
#pragma once

#ifdef _WIN32
#include "testing/windows_api.h"
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstddef>
#include <cstdint>
#include <string>

namespace zararod::testing {

#ifdef _WIN32
using NativeSocket = SOCKET;
inline const NativeSocket kNoSocket = INVALID_SOCKET;
using PollEntry = WSAPOLLFD;
#else
using NativeSocket = int;
inline constexpr NativeSocket kNoSocket = -1;
using PollEntry = pollfd;
#endif

// True once the system's socket library can be used (always, off Windows).
inline bool socketsReady() {
#ifdef _WIN32
  static const bool ready = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
#else
  return true;
#endif
}

class Socket {
 public:
  Socket() = default;
  explicit Socket(NativeSocket socket) : socket_(socket) {}
  ~Socket() { reset(); }
  Socket(Socket&& other) noexcept : socket_(other.release()) {}
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) {
      reset();
      socket_ = other.release();
    }
    return *this;
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool valid() const { return socket_ != kNoSocket; }
  NativeSocket get() const { return socket_; }
  NativeSocket release() {
    const NativeSocket socket = socket_;
    socket_ = kNoSocket;
    return socket;
  }
  void reset() {
    if (socket_ == kNoSocket) return;
#ifdef _WIN32
    ::closesocket(socket_);
#else
    ::close(socket_);
#endif
    socket_ = kNoSocket;
  }

 private:
  NativeSocket socket_ = kNoSocket;
};

// A TCP socket that started programs do not inherit.
inline Socket tcpSocket() {
  if (!socketsReady()) return Socket();
#ifdef _WIN32
  return Socket(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                             WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT));
#else
  return Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
#endif
}

// The IPv4 address host:port; false when host is no IPv4 address.
inline bool ipv4Address(const std::string& host, unsigned port, sockaddr_in& address) {
  address = sockaddr_in{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return socketsReady() && ::inet_pton(AF_INET, host.c_str(), &address.sin_addr) == 1;
}

// A socket listening on host:port (port 0: one the system chooses). The
// address may be reused at once, so that a listener of an earlier run whose
// connections linger in TIME_WAIT does not block it (the port is still
// refused while another socket listens on it: ports of the test command's
// own range are used by one test at a time).
inline Socket listenOn(const std::string& host, unsigned port, int backlog = 16) {
  sockaddr_in address;
  if (!ipv4Address(host, port, address)) return Socket();
  Socket listener = tcpSocket();
  if (!listener.valid()) return listener;
  const int yes = 1;
  ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes),
               sizeof yes);
  if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener.get(), backlog) != 0)
    return Socket();
  return listener;
}

// The next connection to the listener (blocks until one comes).
inline Socket acceptConnection(const Socket& listener) {
  return Socket(::accept(listener.get(), nullptr, nullptr));
}

// A connection to host:port.
inline Socket connectTo(const std::string& host, unsigned port) {
  sockaddr_in address;
  if (!ipv4Address(host, port, address)) return Socket();
  Socket socket = tcpSocket();
  if (socket.valid() &&
      ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return Socket();
  return socket;
}

// A loopback port on which nobody listens: one the system hands out, given
// back at once. 0 when none can be had.
inline unsigned unusedLoopbackPort() {
  sockaddr_in address;
  Socket probe = tcpSocket();
  if (!probe.valid() || !ipv4Address("127.0.0.1", 0, address) ||
      ::bind(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return 0;
  socklen_t length = sizeof address;
  if (::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

// Sends or receives up to `size` bytes; the count moved, 0 when the peer has
// closed (receiving), negative on failure.
inline long sendSome(const Socket& socket, const char* data, std::size_t size) {
#ifdef _WIN32
  return ::send(socket.get(), data, static_cast<int>(size), 0);
#else
  return ::send(socket.get(), data, size, MSG_NOSIGNAL);
#endif
}
inline long receiveSome(const Socket& socket, char* data, std::size_t size) {
#ifdef _WIN32
  return ::recv(socket.get(), data, static_cast<int>(size), 0);
#else
  return ::recv(socket.get(), data, size, 0);
#endif
}

// Waits up to timeoutMs for the entries' events, as poll(2) does; the number
// of entries with events, 0 on timeout, negative on failure.
inline int pollSockets(PollEntry* entries, std::size_t count, int timeoutMs) {
#ifdef _WIN32
  return ::WSAPoll(entries, static_cast<ULONG>(count), timeoutMs);
#else
  return ::poll(entries, count, timeoutMs);
#endif
}

}  // namespace zararod::testing
