// The computer player: its foresight against the frame step itself, the bird in
// the line of fire and how late each level answers. That a seed fixes a match is
// checked on whole recorded matches in sim_test.cpp.
#include <vector>

#include "display/keys.h"
#include "game/computer/computer_player.h"
#include "game/computer/foresight.h"
#include "game/computer/perception.h"
#include "game/controls.h"
#include "game/key_source.h"
#include "game/options.h"
#include "game_fixture.h"

namespace game::testing {
namespace {

using computer::ComputerPlayer;
using display::KEY_A;
using display::KEY_LEFT;
using display::KEY_SPACE;
using display::KEY_UP;

constexpr const char* BLUE_SHOT_GREEN = "Plavi tenk je ubio zelenog. Plavi je pobedio.";

void ExpectSameMotion(const Tank& predicted, const Tank& actual, int frame) {
  EXPECT_EQ(predicted.x, actual.x) << "frame " << frame;
  EXPECT_EQ(predicted.y, actual.y) << "frame " << frame;
  EXPECT_EQ(predicted.heading, actual.heading) << "frame " << frame;
  EXPECT_EQ(predicted.speed, actual.speed) << "frame " << frame;
}

class ComputerTest : public GameTest {
 protected:
  void TearDown() override {
    SetKeyChooser(TankSide::Green, nullptr);
    SetKeyChooser(TankSide::Blue, nullptr);
    GameTest::TearDown();
  }

  static void Place(Tank& tank, double x, double y, int32_t heading, double speed) {
    tank.x = x;
    tank.y = y;
    tank.heading = heading;
    tank.speed = speed;
  }
};

// The foresight runs the frame step's own rules: a turning, accelerating tank
// driven into the wall is predicted to the last bit.
TEST_F(ComputerTest, ForesightOfATankMatchesTheFrameStep) {
  Tank predicted = green();
  for (int frame = 1; frame <= 90; ++frame) {
    computer::StepTank(predicted, TANK_ACCELERATE | TANK_LEFT);
    Step({KEY_UP, KEY_LEFT});
    ExpectSameMotion(predicted, green(), frame);
  }
}

// A shot followed by the foresight meets a moving tank in the very frame step in
// which the game decides the match.
TEST_F(ComputerTest, ForesightOfAShotHitsInTheFrameTheGameDecides) {
  Place(blue(), 104.0, 100.0, 270, 0.0);
  Place(green(), 400.0, 197.0, 0, 3.3);
  const computer::ShotFate fate =
      computer::FollowShot(ShotLeaving(blue()), green(), TANK_ACCELERATE);
  ASSERT_EQ(fate.end, computer::ShotEnd::HitsTarget);
  // Aimed a tank's width off, the same shot misses.
  EXPECT_NE(computer::FollowShot(ShotLeaving(blue()), green(), TANK_ACCELERATE, 0.0, -40.0).end,
            computer::ShotEnd::HitsTarget);

  Step({KEY_A, KEY_UP, KEY_SPACE});
  int frames = 1;
  while (decisions().empty() && frames < 200) {
    Step({KEY_UP, KEY_SPACE});
    ++frames;
  }
  ASSERT_EQ(decisions().size(), 1u);
  EXPECT_EQ(frames, fate.frames);
  EXPECT_EQ(decisions()[0].message, BLUE_SHOT_GREEN);
}

TEST_F(ComputerTest, ItHoldsFireWhileTheBirdIsInTheLineOfFire) {
  // From the start positions each tank faces the other across the bird.
  EXPECT_TRUE(computer::ShotPathHitsBird(ShotLeaving(blue())));
  EXPECT_TRUE(computer::ShotPathHitsBird(ShotLeaving(green())));
  // Green standing between blue and the bird would be hit first, but should it
  // move, the shot flies on into the bird: no level fires.
  Place(green(), 200.0, 216.0, 90, 0.0);
  ASSERT_EQ(computer::FollowShot(ShotLeaving(blue()), green(), 0).end,
            computer::ShotEnd::HitsTarget);
  for (int level = computer::LOWEST_LEVEL; level <= computer::HIGHEST_LEVEL; ++level) {
    ComputerPlayer player(TankSide::Blue, level, 1);
    for (int frame = 0; frame < 20; ++frame) {
      EXPECT_EQ(player.ChooseKeys(state()) & TANK_FIRE, 0u) << "level " << level;
    }
  }
  // The same two tanks above the bird: the line is clear and the hard computer
  // fires at once.
  Place(blue(), 104.0, 100.0, 270, 0.0);
  Place(green(), 488.0, 100.0, 90, 0.0);
  EXPECT_FALSE(computer::ShotPathHitsBird(ShotLeaving(blue())));
  ComputerPlayer player(TankSide::Blue, computer::HIGHEST_LEVEL, 1);
  EXPECT_NE(player.ChooseKeys(state()) & TANK_FIRE, 0u);
}

// Green drives straight and then turns; each level's picture of green shows the
// turn only a reaction time later, and until then green where it would be had
// it not turned.
TEST_F(ComputerTest, EachLevelSeesAChangeAfterItsReactionTime) {
  const int expectedMs[][2] = {{250, 350}, {100, 200}, {35, 100}};  // levels 1, 2, 3
  for (int level = computer::LOWEST_LEVEL; level <= computer::HIGHEST_LEVEL; ++level) {
    computer::Perception eyes(computer::LevelSettings(level).reactionFrames);
    Tank truth = green(), straight = green();
    constexpr int TURN_AT = 20;
    int seenAt = 0;
    for (int frame = 1; frame <= 40 && seenAt == 0; ++frame) {
      const uint32_t keys = TANK_ACCELERATE | (frame >= TURN_AT ? TANK_LEFT : 0u);
      computer::StepTank(truth, keys);
      computer::StepTank(straight, TANK_ACCELERATE);
      eyes.See(truth);
      const computer::View view = eyes.Now();
      if ((view.keys & TANK_LEFT) != 0) {
        seenAt = frame;
      } else if (frame > eyes.delayFrames() + 1) {
        ExpectSameMotion(view.tank, straight, frame);
      }
    }
    // Seen in the frame step that answers it: the change was made in frame
    // step TURN_AT and shows on the screen from the next one.
    const int answerMs = (seenAt + 1 - TURN_AT) * 35;
    EXPECT_GE(answerMs, expectedMs[level - 1][0]) << "level " << level;
    EXPECT_LE(answerMs, expectedMs[level - 1][1]) << "level " << level;
  }
}

// A chosen tank ignores its keyboard keys; the other tank still reads its own.
TEST_F(ComputerTest, AChosenTankIgnoresItsKeyboardKeys) {
  struct Idle : KeyChooser {
    uint32_t ChooseKeys(const MatchState&) override { return 0; }
  } idle;
  SetKeyChooser(TankSide::Blue, &idle);
  Steps(5, {display::KEY_R, KEY_UP});
  EXPECT_EQ(blue().x, 104.0);
  EXPECT_LT(green().x, 488.0);
}

TEST(OptionsTest, LevelsAndBadOptionsOnTheCommandLine) {
  auto parse = [](std::vector<const char*> words) {
    words.insert(words.begin(), "brazdovar");
    return ParseOptions(static_cast<int>(words.size()), words.data());
  };
  EXPECT_EQ(parse({}).computerLevel, 0);
  EXPECT_EQ(parse({"--computer"}).computerLevel, 2);
  EXPECT_EQ(parse({"--computer=1"}).computerLevel, 1);
  EXPECT_EQ(parse({"--mute", "--computer=3"}).computerLevel, 3);
  EXPECT_TRUE(parse({"-h"}).showHelp);
  for (const char* wrong : {"--computer=0", "--computer=4", "--computer=", "--computer=22"}) {
    const Options options = parse({wrong});
    EXPECT_EQ(options.computerLevel, 0) << wrong;
    EXPECT_FALSE(options.error.empty()) << wrong;
  }
  // Each problem is named in one line; parsing again starts afresh.
  EXPECT_EQ(parse({"--computers"}).error, "unknown option '--computers' (see --help)");
  EXPECT_EQ(parse({"--mute", "-x"}).error, "unknown option '-x' (see --help)");
  EXPECT_EQ(parse({"--mute=1"}).error, "option '--mute' takes no value");
  EXPECT_EQ(parse({"--computer", "2"}).error, "unexpected argument '2'");
  EXPECT_TRUE(parse({"--mute"}).error.empty());
  EXPECT_EQ(parse({"--replay=a", "--computer"}).error,
            "--replay cannot go with --computer or --record");
  EXPECT_EQ(parse({"--no-record", "--record=a"}).error,
            "--record and --no-record cannot go together");
  EXPECT_EQ(parse({"--replay", "a"}).replayFile, "a");
}

}  // namespace
}  // namespace game::testing
