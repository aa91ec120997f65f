// The ENet transport over 127.0.0.1: a joiner connects and both sides exchange
// packets on both channels, a second joiner is turned away, a close and a silent
// peer are noticed. One thread services both ends in turn; every wait is bounded.
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
}

TEST(Transport, ParsesEndpointsAndRefusesIpv6) {
  const auto endpoint = [](std::string_view text) { return std::get<Endpoint>(ParseEndpoint(text)); };
  EXPECT_EQ(endpoint("example.org").host, "example.org");
  EXPECT_EQ(endpoint("example.org").port, DEFAULT_PORT);
  EXPECT_EQ(endpoint("10.0.0.1:9").port, 9);
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
