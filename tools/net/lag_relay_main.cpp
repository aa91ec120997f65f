// brazdovar-lag-relay: a loopback UDP relay that makes a network worse on purpose,
// reproducibly, to try online play on one machine.
//
//   brazdovar-lag-relay --listen=27456 --target=27455 --delay=40 --jitter=10
//                       --loss=0.05 --seed=3 --seconds=120
//
// It stops by itself after --seconds (or on SIGINT/SIGTERM) and prints its counts.
#include <signal.h>

#include <cstdio>

#include "relay.h"
#include "relay_options.h"

namespace {

std::atomic<bool> stopRequested{false};

void PrintCounts(const char* name, const netrelay::DirectionCounts& c) {
  std::printf("to %s: received %llu, dropped %llu, duplicated %llu, reordered %llu, sent %llu\n",
              name, static_cast<unsigned long long>(c.received),
              static_cast<unsigned long long>(c.dropped),
              static_cast<unsigned long long>(c.duplicated),
              static_cast<unsigned long long>(c.reordered),
              static_cast<unsigned long long>(c.sent));
}

}  // namespace

int main(int argc, char** argv) {
  const netrelay::ParsedOptions options = netrelay::ParseRelayOptions(argc, argv);
  if (!options.error.empty()) {
    std::fprintf(stderr, "brazdovar-lag-relay: %s\n", options.error.c_str());
    return 2;
  }
  if (options.showHelp) {
    std::fputs(netrelay::RelayHelpText().c_str(), stdout);
    return 0;
  }
  std::string error;
  netrelay::LagRelay relay(options.relay, &error);
  if (!relay.Ready()) {
    std::fprintf(stderr, "brazdovar-lag-relay: %s\n", error.c_str());
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = [](int) { stopRequested = true; };
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::printf("relaying %s port %u to port %u for %u s\n", options.relay.address.c_str(),
              relay.ListenPort(), options.relay.targetPort, options.relay.seconds);
  std::fflush(stdout);
  relay.Run(std::chrono::steady_clock::now() + std::chrono::seconds(options.relay.seconds),
            stopRequested);
  PrintCounts("target", relay.Counts().toTarget);
  PrintCounts("client", relay.Counts().toClient);
  return 0;
}
