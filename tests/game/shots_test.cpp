// Shot flight, expiry, the hit tests in their order, run-overs, tank contact and
// what the frame step draws where.
#include "display/keys.h"
#include "game/rules.h"
#include "game_fixture.h"

namespace game::testing {
namespace {

using display::KEY_SPACE;
using display::KEY_UP;

constexpr const char* T1 = "Zeleni tenk je ubio pticu. Plavi je pobedio.";
constexpr const char* T2 = "Plavi tenk je ubio pticu. Zeleni je pobedio.";
constexpr const char* T3 = "Zeleni tenk je ubio plavog. Zeleni je pobedio.";
constexpr const char* T5 = "Zeleni tenk je pregazio pticu. Plavi je pobedio.";

// Puts a shot into a slot so that it stands at (x, y) after this frame step's
// flight: heading 0 flies straight up by exactly 9 pixels.
void PlaceShot(Shot& shot, double x, double y) {
  shot.x = x;
  shot.y = y + 9.0;
  shot.heading = 0;
  shot.active = 1;
}

class ShotsTest : public GameTest {
 protected:
  // A deciding step with SPACE held: the match-over screen returns at once and a
  // new match begins.
  static const Decision& DecidingStep(std::initializer_list<int32_t> keys = {KEY_SPACE}) {
    Step(keys);
    EXPECT_EQ(decisions().size(), 1u);
    return decisions().back();
  }
};

TEST(BoxesOverlapTest, EdgesAndCornersCount) {
  EXPECT_EQ(BoxesOverlap(299.0, 230.0, 5, 5, 304.0, 224.0, 32, 32), 1);  // right edge on left
  EXPECT_EQ(BoxesOverlap(298.99, 230.0, 5, 5, 304.0, 224.0, 32, 32), 0);
  EXPECT_EQ(BoxesOverlap(336.0, 256.0, 5, 5, 304.0, 224.0, 32, 32), 1);  // corner
  EXPECT_EQ(BoxesOverlap(336.01, 256.0, 5, 5, 304.0, 224.0, 32, 32), 0);
  EXPECT_EQ(BoxesOverlap(310.0, 256.01, 5, 5, 304.0, 224.0, 32, 32), 0);
  EXPECT_EQ(BoxesOverlap(310.0, 219.0, 5, 5, 304.0, 224.0, 32, 32), 1);  // bottom on top
}

TEST_F(ShotsTest, TouchingBoxesHitTheBird) {
  PlaceShot(green().shots[0], 298.99, 240.0);
  Step();
  EXPECT_TRUE(decisions().empty());
  PlaceShot(green().shots[0], 299.0, 240.0);  // x + 5 = 304: touching
  const Decision& decision = DecidingStep();
  EXPECT_EQ(decision.message, T1);
  EXPECT_EQ(decision.winner, 2);
}

TEST_F(ShotsTest, GreensShotIsTestedFirstOnTheSameIndex) {
  PlaceShot(green().shots[4], 310.0, 240.0);
  PlaceShot(blue().shots[4], 320.0, 240.0);
  const Decision& decision = DecidingStep();
  EXPECT_EQ(decision.message, T1);
  EXPECT_EQ(decision.winner, 2);
}

TEST_F(ShotsTest, LowerIndexDecidesAndHigherIndicesDoNotFly) {
  PlaceShot(blue().shots[2], 320.0, 240.0);
  PlaceShot(green().shots[3], 310.0, 240.0);
  PlaceShot(green().shots[7], 100.0, 100.0);
  const Decision& decision = DecidingStep();
  EXPECT_EQ(decision.message, T2);
  EXPECT_EQ(decision.winner, 1);
  EXPECT_EQ(decision.state.green.shots[3].y, 249.0);  // not flown
  EXPECT_EQ(decision.state.green.shots[7].y, 109.0);
}

TEST_F(ShotsTest, ShotHitsTheOtherTankButNeverItsOwn) {
  PlaceShot(green().shots[0], green().x + 20.0, green().y + 20.0);
  Step();
  EXPECT_TRUE(decisions().empty());
  PlaceShot(green().shots[0], blue().x + 40.0, blue().y + 40.0);  // corner of the box
  const Decision& decision = DecidingStep();
  EXPECT_EQ(decision.message, T3);
  EXPECT_EQ(decision.winner, 1);
}

TEST_F(ShotsTest, AShotBeatsARunOver) {
  green().x = 300.0;
  green().y = 210.0;
  PlaceShot(blue().shots[12], 320.0, 240.0);
  const Decision& decision = DecidingStep();
  EXPECT_EQ(decision.message, T2);
}

TEST_F(ShotsTest, BothTanksOnTheBirdIsGreensRunOverAndANewMatchFollows) {
  green().x = 300.0;
  green().y = 210.0;
  green().speed = 1.0;
  blue().x = 290.0;
  blue().y = 200.0;
  const Decision& decision = DecidingStep();
  EXPECT_EQ(decision.message, T5);
  EXPECT_EQ(decision.winner, 2);
  // The new match starts from the start values but keeps the animation counter.
  EXPECT_EQ(green().x, 488.0);
  EXPECT_EQ(green().speed, 0.0);
  EXPECT_EQ(green().animation, 1);
}

TEST_F(ShotsTest, ContactStopsBothTanksButAHeldAccelerateEscapes) {
  green().heading = 270;  // toward larger x, away from blue
  green().x = 200.0;      // hit box from 208
  green().y = 100.0;
  blue().x = 180.0;  // hit box up to 220: 12 pixels deep
  blue().y = 100.0;
  blue().speed = 2.0;
  Step();
  EXPECT_NEAR(blue().x, 182.0, 1e-4);  // blue drove in first, then stopped
  EXPECT_EQ(blue().speed, 0.0);
  EXPECT_EQ(green().speed, 0.0);
  Step();
  EXPECT_EQ(green().x, 200.0);
  EXPECT_NEAR(blue().x, 182.0, 1e-4);

  // Each step adds 0.3 and moves before the contact takes the speed away again.
  int steps = 0;
  while (green().speed == 0.0 && steps < 100) {
    Step({KEY_UP});
    ++steps;
  }
  EXPECT_EQ(steps, 47);  // 200 + 47 x 0.3 = 214.1 > 182 + 40 - 8
  EXPECT_NEAR(green().x, 200.0 + 0.3 * steps, 1e-3);
  EXPECT_EQ(green().speed, 0.3);
  EXPECT_TRUE(decisions().empty());
}

TEST_F(ShotsTest, AnExpiringShotIsDrawnOnceAndCannotHit) {
  blue().x = 559.0;
  blue().y = 200.0;  // hit box 567..599 x 208..240
  Shot& shot = green().shots[0];
  shot.heading = 270;  // toward larger x
  shot.x = 588.0;
  shot.y = 218.0;
  shot.active = 1;
  Step();
  EXPECT_EQ(shot.active, 0);
  EXPECT_NEAR(shot.x, 597.0, 1e-3);
  EXPECT_TRUE(decisions().empty());
  // It was drawn at 597 in that frame; the next frame no longer draws it.
  const std::vector<uint32_t> drawn = PresentedScreen();
  const std::vector<uint32_t> background = [] {
    Step();
    return PresentedScreen();
  }();
  EXPECT_NE(drawn[220 * 640 + 599], background[220 * 640 + 599]);

  shot.x = 580.0;  // flies to 589, still inside the limits
  shot.active = 1;
  EXPECT_EQ(DecidingStep().message, T3);
}

TEST_F(ShotsTest, WallsLeaveTheLastColumnAndRowUncovered) {
  Step();
  const std::vector<uint32_t> screen = PresentedScreen();
  auto at = [&](int x, int y) { return screen[y * 640 + x]; };
  const uint32_t background = at(320, 100);
  EXPECT_NE(at(638, 100), background);  // right column: x 607..638
  EXPECT_EQ(at(639, 100), background);
  EXPECT_EQ(at(639, 446), background);
  EXPECT_NE(at(639, 10), background);  // the top row reaches column 639
  EXPECT_NE(at(100, 478), background);  // bottom row: y 447..478
  EXPECT_EQ(at(100, 479), background);
  EXPECT_NE(at(5, 40), background);  // left column
}

}  // namespace
}  // namespace game::testing
