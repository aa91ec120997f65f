// The game program: a two-player tank duel. Started without arguments it prints
// nothing and exits with status 0 when its window closes; --version and --help
// print and exit 0.
#include <cstdio>

#include "game/options.h"
#include "game/sound_cues.h"
#include "game/startup.h"

int main(int argc, char** argv) {
  const game::Options options = game::ParseOptions(argc, argv);
  if (options.showVersion || options.showHelp) {
    std::fputs((options.showVersion ? game::VersionText() : game::HelpText()).c_str(), stdout);
    return 0;
  }
  // Before the window opens: SDL is started on one thread at a time.
  game::StartSound(options.mute);
  game::RunProgram();
}
