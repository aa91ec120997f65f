// brazdovar-lag-relay's command line, read with getopt_long in the style of the
// game's programs: a bad option is named in one line and the program ends with 2.
#pragma once
#include <string>

#include "relay.h"

namespace netrelay {

struct ParsedOptions {
  RelayOptions relay;
  bool showHelp = false;
  std::string error;  // the first problem, one line
};

ParsedOptions ParseRelayOptions(int argc, const char* const* argv);
std::string RelayHelpText();

}  // namespace netrelay
