// The computer player: drives one tank by choosing its five keys in every frame
// step, from what a player could see on the screen.
//
//   static game::computer::ComputerPlayer computer(game::TankSide::Blue, 2, seed);
//   game::SetKeyChooser(game::TankSide::Blue, &computer);
//
// It aims where the other tank will be, holds fire while the bird is in the line
// of fire, keeps off the bird and out of the way of the shots it can see. The
// levels differ only in how late it sees the other tank and how far its aim errs;
// the rules are the players' own. Its random choices come from the seed alone,
// so the same seed and the same opponent give the same match.
#pragma once
#include <cstdint>
#include <random>

#include "game/computer/perception.h"
#include "game/key_source.h"
#include "game/match_state.h"

namespace game::computer {

inline constexpr int LOWEST_LEVEL = 1;
inline constexpr int HIGHEST_LEVEL = 3;
inline constexpr int DEFAULT_LEVEL = 2;

struct Level {
  // Frame steps between the screen it sees and the one it answers: a change made
  // in one frame step is answered (reactionFrames + 1) x 35 ms later, about 300,
  // 150 and 60 ms at levels 1, 2 and 3.
  int reactionFrames;
  double aimError;  // pixels: its aim is off by up to this much on each axis
};
// Levels 1..3 (others are brought into that range).
Level LevelSettings(int level);

class ComputerPlayer final : public KeyChooser {
 public:
  ComputerPlayer(TankSide side, int level, uint64_t seed);

  uint32_t ChooseKeys(const MatchState& state) override;
  void NewMatch() override;

  const Level& level() const { return level_; }

 private:
  struct Point {
    double x, y;
  };

  uint32_t PreferredKeys(const Tank& me, const View& view);
  Point FiringPosition(const Point& me, const Point& other);
  uint32_t SafestKeys(const Tank& me, const View& view, uint32_t preferred) const;
  bool ShotWouldHit(const Tank& me, uint32_t keys, const View& view) const;
  double Uniform();  // in [0, 1), from the seeded generator

  TankSide side_;
  Level level_;
  Perception perception_;
  std::mt19937_64 random_;
  double aimDx_ = 0.0, aimDy_ = 0.0;
  int framesToNewAim_ = 0;
  double pace_ = 0.0;  // the speed it keeps in range, changed now and then
  int framesToNewPace_ = 0;
  int goal_ = -1;  // index of the firing position it is heading for, -1 none
};

}  // namespace game::computer
