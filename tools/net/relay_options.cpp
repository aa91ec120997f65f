// Reading the lag relay's options: ports, loopback address, impairment, seed and
// run time, each checked for its range.
#include "relay_options.h"

#include "game/option_error.h"

#include <getopt.h>

#include <charconv>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace netrelay {
namespace {

enum OptionId : int {
  OPT_HELP = 'h',
  OPT_LISTEN = 256,
  OPT_TARGET,
  OPT_ADDRESS,
  OPT_DELAY,
  OPT_JITTER,
  OPT_LOSS,
  OPT_DUPLICATE,
  OPT_REORDER,
  OPT_SEED,
  OPT_SECONDS,
};

constexpr option LONG_OPTIONS[] = {
    {"help", no_argument, nullptr, OPT_HELP},
    {"listen", required_argument, nullptr, OPT_LISTEN},
    {"target", required_argument, nullptr, OPT_TARGET},
    {"address", required_argument, nullptr, OPT_ADDRESS},
    {"delay", required_argument, nullptr, OPT_DELAY},
    {"jitter", required_argument, nullptr, OPT_JITTER},
    {"loss", required_argument, nullptr, OPT_LOSS},
    {"duplicate", required_argument, nullptr, OPT_DUPLICATE},
    {"reorder", required_argument, nullptr, OPT_REORDER},
    {"seed", required_argument, nullptr, OPT_SEED},
    {"seconds", required_argument, nullptr, OPT_SECONDS},
    {nullptr, 0, nullptr, 0},
};

// A whole decimal number in [low, high].
template <typename Number>
bool ReadNumber(const char* text, Number low, Number high, Number& out) {
  const std::string_view view(text);
  Number value{};
  const auto [end, problem] = std::from_chars(view.data(), view.data() + view.size(), value);
  if (problem != std::errc() || end != view.data() + view.size() || value < low || value > high) {
    return false;
  }
  out = value;
  return true;
}

bool ReadChance(const char* text, double& out) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(value >= 0 && value <= 1)) return false;
  out = value;
  return true;
}

std::string ReadOne(int id, const char* value, RelayOptions& relay) {
  Impairment& impairment = relay.impairment;
  switch (id) {
    case OPT_LISTEN:
      return ReadNumber<uint16_t>(value, 1, 65535, relay.listenPort) ? "" : "--listen takes a port 1..65535";
    case OPT_TARGET:
      return ReadNumber<uint16_t>(value, 1, 65535, relay.targetPort) ? "" : "--target takes a port 1..65535";
    case OPT_ADDRESS:
      relay.address = value;
      return IsLoopback(value) ? "" : "--address takes a loopback address (127.0.0.0/8 or ::1)";
    case OPT_DELAY:
      return ReadNumber<uint32_t>(value, 0, 10000, impairment.delayMs) ? "" : "--delay takes 0..10000 ms";
    case OPT_JITTER:
      return ReadNumber<uint32_t>(value, 0, 10000, impairment.jitterMs) ? "" : "--jitter takes 0..10000 ms";
    case OPT_LOSS: return ReadChance(value, impairment.loss) ? "" : "--loss takes a chance 0..1";
    case OPT_DUPLICATE:
      return ReadChance(value, impairment.duplicate) ? "" : "--duplicate takes a chance 0..1";
    case OPT_REORDER:
      return ReadChance(value, impairment.reorder) ? "" : "--reorder takes a chance 0..1";
    case OPT_SEED:
      return ReadNumber<uint64_t>(value, 0, UINT64_MAX, relay.seed) ? "" : "--seed takes a whole number";
    case OPT_SECONDS:
      return ReadNumber<uint32_t>(value, 1, 86400, relay.seconds) ? "" : "--seconds takes 1..86400";
  }
  return "";
}

}  // namespace

ParsedOptions ParseRelayOptions(int argc, const char* const* argv) {
  ParsedOptions parsed;
  std::vector<char*> words;
  for (int i = 0; i < argc; ++i) words.push_back(const_cast<char*>(argv[i]));
  words.push_back(nullptr);
  optind = 0;
  opterr = 0;
  for (int id; parsed.error.empty() &&
               (id = getopt_long(argc, words.data(), ":h", LONG_OPTIONS, nullptr)) != -1;) {
    if (id == OPT_HELP) {
      parsed.showHelp = true;
    } else if (id == ':' || id == '?') {
      parsed.error = game::OptionErrorText(id, words[optind - 1], optopt);
    } else {
      parsed.error = ReadOne(id, optarg, parsed.relay);
    }
  }
  if (parsed.error.empty() && optind < argc) {
    parsed.error = std::string("unexpected argument '") + words[optind] + "'";
  }
  if (parsed.error.empty() && !parsed.showHelp &&
      (parsed.relay.listenPort == 0 || parsed.relay.targetPort == 0)) {
    parsed.error = "both --listen and --target are needed (see --help)";
  }
  return parsed;
}

std::string RelayHelpText() {
  return "Usage: brazdovar-lag-relay --listen=PORT --target=PORT [OPTION]...\n"
         "Relays UDP datagrams on a loopback address from PORT to the target port and\n"
         "back to whoever sent last, delayed, jittered, lost, duplicated and reordered\n"
         "as asked, for a bounded time; then prints what it did.\n"
         "\n"
         "Options:\n"
         "  -h, --help          print this help and exit\n"
         "      --listen=PORT   the port the client sends to\n"
         "      --target=PORT   the port datagrams are passed on to\n"
         "      --address=ADDR  the loopback address of both (default 127.0.0.1; ::1)\n"
         "      --delay=MS      delay of every datagram (default 0)\n"
         "      --jitter=MS     each delay varies by up to this much either way\n"
         "      --loss=P        chance a datagram is dropped (0..1)\n"
         "      --duplicate=P   chance a datagram is sent twice\n"
         "      --reorder=P     chance a datagram is held back behind later ones\n"
         "      --seed=N        seed of the random choices (default 1)\n"
         "      --seconds=S     run this long, then stop (default 60)\n";
}

}  // namespace netrelay
