// The lag relay's sockets and loop: poll both sockets, draw each arrival's fate,
// and send what is due.
#include "relay.h"

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace netrelay {
namespace {

using Clock = std::chrono::steady_clock;

// Held datagrams beyond this are dropped: a relay must not grow without bound.
constexpr size_t MAX_PENDING = 100000;
constexpr size_t MAX_DATAGRAM = 65536;
// Poll at least this often, so that a stop request is seen.
constexpr int POLL_MS = 50;

// The address with `port`, its length in `length`; 0 when it is no numeric address.
socklen_t SocketAddress(const std::string& address, uint16_t port, sockaddr_storage& out) {
  out = {};
  auto* v4 = reinterpret_cast<sockaddr_in*>(&out);
  if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    return sizeof(sockaddr_in);
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&out);
  if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    return sizeof(sockaddr_in6);
  }
  return 0;
}

int BoundSocket(const sockaddr_storage& address, socklen_t length, std::string* error) {
  const int fd = socket(address.ss_family, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    *error = std::string("cannot bind a UDP socket: ") + std::strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

bool IsLoopback(const std::string& address) {
  in_addr v4{};
  if (inet_pton(AF_INET, address.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  return inet_pton(AF_INET6, address.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

LagRelay::LagRelay(const RelayOptions& options, std::string* error)
    : dice_(options.impairment, options.seed) {
  if (!IsLoopback(options.address)) {
    *error = "'" + options.address + "' is not a loopback address (127.0.0.0/8 or ::1)";
    return;
  }
  sockaddr_storage address;
  const socklen_t length = SocketAddress(options.address, options.listenPort, address);
  listener_ = BoundSocket(address, length, error);
  if (listener_ < 0) return;
  SocketAddress(options.address, 0, address);
  forwarder_ = BoundSocket(address, length, error);
  if (forwarder_ < 0) return;
  SocketAddress(options.address, options.targetPort, address);
  if (connect(forwarder_, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    *error = std::string("cannot address the target: ") + std::strerror(errno);
    close(forwarder_);
    forwarder_ = -1;
  }
}

LagRelay::~LagRelay() {
  if (listener_ >= 0) close(listener_);
  if (forwarder_ >= 0) close(forwarder_);
}

uint16_t LagRelay::ListenPort() const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.ss_family == AF_INET
                   ? reinterpret_cast<const sockaddr_in*>(&address)->sin_port
                   : reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
}

void LagRelay::Run(Clock::time_point deadline, const std::atomic<bool>& stop) {
  pollfd fds[2] = {{listener_, POLLIN, 0}, {forwarder_, POLLIN, 0}};
  for (auto now = Clock::now(); now < deadline && !stop; now = Clock::now()) {
    auto wake = std::min(deadline, now + std::chrono::milliseconds(POLL_MS));
    if (!pending_.empty()) wake = std::min(wake, pending_.top().due);
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
    if (poll(fds, 2, static_cast<int>(std::max<int64_t>(wait, 0))) > 0) {
      if (fds[0].revents & POLLIN) Receive(listener_, true);
      if (fds[1].revents & POLLIN) Receive(forwarder_, false);
    }
    SendDue(Clock::now());
  }
}

void LagRelay::Receive(int socket, bool toTarget) {
  static thread_local std::vector<uint8_t> buffer(MAX_DATAGRAM);
  for (;;) {
    sockaddr_storage from{};
    socklen_t fromLength = sizeof from;
    // A refused send to a closed port shows up here as an error; it is skipped.
    const ssize_t size = recvfrom(socket, buffer.data(), buffer.size(), 0,
                                  reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (size < 0 && errno == ECONNREFUSED) continue;
    if (size < 0) return;
    if (toTarget) {
      client_ = from;
      clientLength_ = fromLength;
    } else if (clientLength_ == 0) {
      continue;
    }
    DirectionCounts& counts = toTarget ? counts_.toTarget : counts_.toClient;
    ++counts.received;
    const Fate fate = dice_.Next();
    counts.dropped += fate.dropped;
    counts.duplicated += fate.duplicated;
    counts.reordered += fate.reordered;
    const auto now = Clock::now();
    for (int copy = 0; copy < (fate.dropped ? 0 : fate.duplicated ? 2 : 1); ++copy) {
      if (pending_.size() >= MAX_PENDING) {
        ++counts.dropped;
        continue;
      }
      pending_.push({now + std::chrono::milliseconds(fate.delayMs[copy]), arrivals_++, toTarget,
                     std::vector<uint8_t>(buffer.begin(), buffer.begin() + size)});
    }
  }
}

void LagRelay::SendDue(Clock::time_point now) {
  while (!pending_.empty() && pending_.top().due <= now) {
    const Pending& datagram = pending_.top();
    const ssize_t sent =
        datagram.toTarget
            ? send(forwarder_, datagram.bytes.data(), datagram.bytes.size(), 0)
            : sendto(listener_, datagram.bytes.data(), datagram.bytes.size(), 0,
                     reinterpret_cast<const sockaddr*>(&client_), clientLength_);
    if (sent >= 0) ++(datagram.toTarget ? counts_.toTarget : counts_.toClient).sent;
    pending_.pop();
  }
}

}  // namespace netrelay
