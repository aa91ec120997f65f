// The lag relay, run on a thread over 127.0.0.1: without loss every datagram
// arrives both ways; with loss and duplication the counts are the seed's.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "relay.h"
#include "relay_options.h"

namespace netrelay {
namespace {

constexpr int DATAGRAMS = 200;

// A UDP socket on 127.0.0.1 with a receive timeout.
struct Socket {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  Socket() {
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    timeval wait{0, 300000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  }
  ~Socket() { close(fd); }
  uint16_t Port() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
  }
  void SendTo(uint16_t port, int number) const {
    sockaddr_in to{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    sendto(fd, &number, sizeof number, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  // The next datagram's number and where it came from; nullopt after the timeout.
  std::optional<std::pair<int, uint16_t>> Receive() const {
    int number = 0;
    sockaddr_in from{};
    socklen_t length = sizeof from;
    if (recvfrom(fd, &number, sizeof number, 0, reinterpret_cast<sockaddr*>(&from), &length) !=
        sizeof number) {
      return std::nullopt;
    }
    return std::make_pair(number, ntohs(from.sin_port));
  }
};

// The relay on its own thread for at most 5 s, stopped when the test is done.
struct RunningRelay {
  LagRelay relay;
  std::atomic<bool> stop{false};
  std::thread thread;
  RunningRelay(const RelayOptions& options, std::string* error) : relay(options, error) {
    if (relay.Ready()) {
      thread = std::thread(
          [this] { relay.Run(std::chrono::steady_clock::now() + std::chrono::seconds(5), stop); });
    }
  }
  const RelayCounts& Finish() {
    stop = true;
    if (thread.joinable()) thread.join();
    return relay.Counts();
  }
  ~RunningRelay() { Finish(); }
};

TEST(LagRelay, WithoutLossEverythingArrivesBothWays) {
  Socket client, target;
  RelayOptions options;
  options.targetPort = target.Port();
  options.impairment = {5, 3, 0, 0, 0.2};
  std::string error;
  RunningRelay running(options, &error);
  ASSERT_TRUE(running.relay.Ready()) << error;
  for (int i = 0; i < DATAGRAMS; ++i) client.SendTo(running.relay.ListenPort(), i);

  std::set<int> atTarget, atClient;
  for (int i = 0; i < DATAGRAMS; ++i) {
    const auto got = target.Receive();
    ASSERT_TRUE(got) << "after " << i;
    atTarget.insert(got->first);
    target.SendTo(got->second, got->first);  // back to the relay, which knows the client
  }
  for (int i = 0; i < DATAGRAMS; ++i) {
    const auto got = client.Receive();
    ASSERT_TRUE(got) << "after " << i;
    EXPECT_EQ(got->second, running.relay.ListenPort());
    atClient.insert(got->first);
  }
  EXPECT_EQ(atTarget.size(), size_t{DATAGRAMS});
  EXPECT_EQ(atClient.size(), size_t{DATAGRAMS});
  const RelayCounts& counts = running.Finish();
  EXPECT_EQ(counts.toTarget.sent, uint64_t{DATAGRAMS});
  EXPECT_EQ(counts.toClient.sent, uint64_t{DATAGRAMS});
  EXPECT_GT(counts.toTarget.reordered, 0u);
}

TEST(LagRelay, LossAndDuplicationFollowTheSeed) {
  Socket client, target;
  RelayOptions options;
  options.targetPort = target.Port();
  options.impairment = {2, 1, 0.2, 0.15, 0};
  options.seed = 7;
  DirectionCounts expected;
  ImpairmentDice dice(options.impairment, options.seed);
  for (int i = 0; i < DATAGRAMS; ++i) {
    const Fate fate = dice.Next();
    expected.dropped += fate.dropped;
    expected.duplicated += fate.duplicated;
  }
  ASSERT_GT(expected.dropped, 0u);
  ASSERT_GT(expected.duplicated, 0u);

  std::string error;
  RunningRelay running(options, &error);
  ASSERT_TRUE(running.relay.Ready()) << error;
  for (int i = 0; i < DATAGRAMS; ++i) client.SendTo(running.relay.ListenPort(), i);
  uint64_t arrived = 0;
  while (target.Receive()) ++arrived;
  const RelayCounts& counts = running.Finish();
  EXPECT_EQ(counts.toTarget.received, uint64_t{DATAGRAMS});
  EXPECT_EQ(counts.toTarget.dropped, expected.dropped);
  EXPECT_EQ(counts.toTarget.duplicated, expected.duplicated);
  EXPECT_EQ(arrived, DATAGRAMS - expected.dropped + expected.duplicated);
}

TEST(LagRelay, RefusesAddressesOffThisMachine) {
  std::string error;
  RelayOptions options;
  options.address = "0.0.0.0";  // every address of this machine, not just loopback
  EXPECT_FALSE(LagRelay(options, &error).Ready());
  EXPECT_NE(error.find("loopback"), std::string::npos);
  for (const char* address : {"127.0.0.1", "127.1.2.3", "::1"}) EXPECT_TRUE(IsLoopback(address));
  for (const char* address : {"0.0.0.0", "::", "::ffff:127.0.0.1", "localhost"}) {
    EXPECT_FALSE(IsLoopback(address)) << address;
  }
  const char* argv[] = {"relay", "--listen=1", "--target=2", "--address=::"};
  EXPECT_NE(ParseRelayOptions(4, argv).error.find("loopback"), std::string::npos);
}

}  // namespace
}  // namespace netrelay
