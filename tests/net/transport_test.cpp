// The ENet transport over 127.0.0.1: a joiner connects and both sides exchange
// packets on both channels, a second joiner is turned away, a close and a silent
// peer are noticed, and a lone connect request draws little. One thread services both ends in turn; every wait is bounded.
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "net/transport.h"

namespace net {
namespace {

using Clock = std::chrono::steady_clock;

// Services the ends in turn, 5 ms each, until `want` is seen on `watched` or the
// time runs out. Events on the other ends are kept in their `last` slots.
struct Loop {
  std::vector<Transport*> ends;
  std::vector<TransportEvent> last = std::vector<TransportEvent>(4);

  std::optional<TransportEvent> Until(Transport* watched, TransportEvent::Kind want,
                                      std::chrono::milliseconds limit = std::chrono::seconds(2)) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
      for (size_t i = 0; i < ends.size(); ++i) {
        TransportEvent event = ends[i]->Service(5);
        if (event.kind == TransportEvent::None) continue;
        if (ends[i] == watched && event.kind == want) return event;
        last[i] = std::move(event);
      }
    }
    return std::nullopt;
  }
};

std::unique_ptr<Transport> Listen() {
  std::string error;
  auto host = Transport::Host({"127.0.0.1", 0}, &error);
  EXPECT_NE(host, nullptr) << error;
  return host;
}

std::unique_ptr<Transport> JoinPort(uint16_t port) {
  std::string error;
  auto joiner = Transport::Join({"127.0.0.1", port}, &error);
  EXPECT_NE(joiner, nullptr) << error;
  return joiner;
}

TEST(Transport, ConnectsExchangesAndRefusesASecondPlayer) {
  auto host = Listen();
  auto joiner = JoinPort(host->Port());
  Loop loop{{host.get(), joiner.get()}};
  ASSERT_TRUE(loop.Until(host.get(), TransportEvent::Connected));
  ASSERT_TRUE(joiner->Connected() || loop.Until(joiner.get(), TransportEvent::Connected));

  const uint8_t hello[] = {1, 2, 3};
  ASSERT_TRUE(joiner->Send(Channel::Reliable, hello));
  auto got = loop.Until(host.get(), TransportEvent::Received);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->channel, Channel::Reliable);
  EXPECT_EQ(got->data, std::vector<uint8_t>(hello, hello + 3));
  const uint8_t keys[] = {9};
  ASSERT_TRUE(host->Send(Channel::Unreliable, keys));
  got = loop.Until(joiner.get(), TransportEvent::Received);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->channel, Channel::Unreliable);
  EXPECT_EQ(got->data, std::vector<uint8_t>(1, 9));
  EXPECT_FALSE(host->Send(Channel::Unreliable, std::vector<uint8_t>(MAX_PACKET_BYTES + 1)));

  auto second = JoinPort(host->Port());
  loop.ends.push_back(second.get());
  auto refused = loop.Until(second.get(), TransportEvent::Closed);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->reason, CloseReason::Busy);
  EXPECT_TRUE(host->Connected());

  const auto traffic = joiner->Traffic();
  EXPECT_GT(traffic.bytesSent, 0u);
  EXPECT_GT(traffic.bytesReceived, 0u);
  EXPECT_GE(traffic.packetsReceived, 2u);
}

TEST(Transport, NoticesACloseAndASilentPeer) {
  auto host = Listen();
  auto joiner = JoinPort(host->Port());
  Loop loop{{host.get(), joiner.get()}};
  ASSERT_TRUE(loop.Until(host.get(), TransportEvent::Connected));
  joiner->Close();
  auto closed = loop.Until(host.get(), TransportEvent::Closed);
  ASSERT_TRUE(closed);
  EXPECT_EQ(closed->reason, CloseReason::Left);
  EXPECT_FALSE(host->Connected());

  // A new player may come once the first has gone; then it falls silent.
  auto next = JoinPort(host->Port());
  loop.ends = {host.get(), next.get()};
  ASSERT_TRUE(loop.Until(host.get(), TransportEvent::Connected));
  loop.ends = {host.get()};
  const auto start = Clock::now();
  auto lost = loop.Until(host.get(), TransportEvent::Closed, std::chrono::seconds(5));
  ASSERT_TRUE(lost);
  EXPECT_EQ(lost->reason, CloseReason::Lost);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(PEER_TIMEOUT_MS - 500));
  // At the timeout itself, not at ENet's own, which may come a ping later.
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(PEER_TIMEOUT_MS + 800));
}

// A UDP socket on 127.0.0.1; nothing of ENet runs behind it.
struct RawSocket {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  RawSocket() {
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  }
  ~RawSocket() { close(fd); }
  // The next datagram's size within `ms`; -1 if none came.
  ssize_t Receive(std::vector<uint8_t>& into, int ms) {
    pollfd ready{fd, POLLIN, 0};
    into.resize(2048);
    if (poll(&ready, 1, ms) != 1) return -1;
    const ssize_t size = recv(fd, into.data(), into.size(), 0);
    into.resize(std::max<ssize_t>(size, 0));
    return size;
  }
};

TEST(Transport, ALoneConnectRequestDrawsFewSmallerAnswers) {
  // A joiner's first datagram, caught on a plain socket: the request a stranger
  // could send with a forged return address.
  RawSocket stranger;
  std::vector<uint8_t> request;
  {
    auto joiner = JoinPort(ntohs(stranger.address.sin_port));
    joiner->Flush();
    ASSERT_GT(stranger.Receive(request, 1000), 0);
  }
  std::vector<uint8_t> farewell;  // the joiner's parting word, sent as it went
  while (stranger.Receive(farewell, 50) >= 0) {
  }
  auto host = Listen();
  sockaddr_in to{AF_INET, htons(host->Port()), {htonl(INADDR_LOOPBACK)}, {}};
  sendto(stranger.fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to),
         sizeof to);
  // ENet repeats its answer at 0, 0.5, 1.5 and 3.5 s; the slot is given up at 3 s.
  int answers = 0;
  std::vector<uint8_t> answer;
  for (const auto end = Clock::now() + std::chrono::milliseconds(3800); Clock::now() < end;) {
    host->Service(10);
    if (stranger.Receive(answer, 0) < 0) continue;
    ++answers;
    EXPECT_LE(answer.size(), request.size());
  }
  EXPECT_EQ(answers, 3);
  EXPECT_FALSE(host->Connected());
}

TEST(Transport, ParsesEndpointsAndRefusesIpv6) {
  const auto endpoint = [](std::string_view text) { return std::get<Endpoint>(ParseEndpoint(text)); };
  EXPECT_EQ(endpoint("localhost").host, "localhost");
  EXPECT_EQ(endpoint("localhost").port, DEFAULT_PORT);
  EXPECT_EQ(endpoint("127.0.0.1:9").port, 9);
  EXPECT_EQ(endpoint("[::1]:65535").host, "::1");
  EXPECT_EQ(endpoint("[::1]").port, DEFAULT_PORT);
  for (const char* bad : {"", ":5", "h:", "h:0", "h:65536", "h:5x", "::1", "[::1", "[]:5",
                          "[::1]5", "[::1]:"}) {
    EXPECT_TRUE(std::holds_alternative<std::string>(ParseEndpoint(bad))) << bad;
  }
  std::string error;
  EXPECT_EQ(Transport::Join(endpoint("[::1]:5"), &error), nullptr);
  EXPECT_NE(error.find("IPv4 only"), std::string::npos) << error;
}

}  // namespace
}  // namespace net
