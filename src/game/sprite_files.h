// Where the game finds its sprite files.
//
//   std::string path = game::SpritePath("tank.bmp");
//   display::Image* image = imageio::LoadImage(path.c_str());
//
// A sprite is looked for, in order:
//   1. by its bare name in the working directory (a player's own sprites win);
//   2. in the installed data folder, <folder of the executable>/../share/brazdovar/,
//      so an installed game works from any folder and a moved prefix still works;
//   3. in the source tree's assets/ folder, when the executable lies inside the
//      build tree (the game, the match runner and the tests all do).
// When none of them has the file, the bare name is returned: the load then fails
// and the sprite is not drawn, as for any missing sprite.
#pragma once
#include <string>

namespace game {

std::string SpritePath(const std::string& name);

}  // namespace game
