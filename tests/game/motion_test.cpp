// Controls and motion: speeds, headings, firing, clamps and the animation counter.
#include <cmath>
#include <cstring>

#include "display/keys.h"
#include "game_fixture.h"
#include "transform/rotate_sprite.h"

namespace game::testing {
namespace {

using namespace display;  // the KEY_ constants

using MotionTest = GameTest;

TEST_F(MotionTest, AcceleratesToTopSpeedAndBrakesBackToExactlyZero) {
  Steps(3, {KEY_UP, KEY_DOWN});  // both at rest: stays at zero
  EXPECT_EQ(green().speed, 0.0);
  EXPECT_EQ(green().x, 488.0);
  Steps(10, {KEY_UP, KEY_R});
  EXPECT_EQ(green().speed, 2.9999999999999996);
  Step({KEY_UP, KEY_R});
  EXPECT_EQ(green().speed, 3.2999999999999994);
  EXPECT_EQ(blue().speed, 3.2999999999999994);
  Step({KEY_UP, KEY_R});
  EXPECT_EQ(green().speed, 3.2999999999999994);

  Steps(10, {KEY_DOWN, KEY_F});
  EXPECT_GT(green().speed, 0.2);
  Step({KEY_DOWN, KEY_F});
  EXPECT_EQ(green().speed, 0.0);
  EXPECT_EQ(blue().speed, 0.0);
  EXPECT_FALSE(std::signbit(green().speed));
}

TEST_F(MotionTest, AFullTurnTakes120StepsAndTheShotKeepsTheUnwrappedHeading) {
  Steps(119, {KEY_LEFT, KEY_G});
  EXPECT_EQ(green().heading, 87);
  EXPECT_EQ(blue().heading, 273);
  Step({KEY_LEFT, KEY_G});
  EXPECT_EQ(green().heading, 90);
  EXPECT_EQ(blue().heading, 270);

  green().heading = 0;
  Step({KEY_RIGHT, KEY_CTRL});
  EXPECT_EQ(green().heading, 357);
  EXPECT_EQ(green().shots[0].active, 1);
  EXPECT_EQ(green().shots[0].heading, -3);
  blue().heading = 357;
  Step({KEY_LEFT, KEY_D});
  EXPECT_EQ(green().heading, 0);
  EXPECT_EQ(blue().heading, 0);
}

TEST_F(MotionTest, HeadingNinetyDriftsUpBecauseOfThePiApproximation) {
  green().speed = 3.3;
  Step();
  EXPECT_NEAR(green().x, 488.0 - 3.3, 1e-5);
  EXPECT_NEAR(216.0 - green().y, 3.3 * std::cos(1.57), 1e-12);
}

TEST_F(MotionTest, ClampsKeepTheSpeed) {
  struct Case {
    int32_t heading;
    double x, y;
    double expectedX, expectedY;
  };
  for (const Case& c : {Case{270, 559.0, 300.0, 559.0, -1}, Case{90, 33.0, 300.0, 32.0, -1},
                        Case{0, 300.0, 33.0, -1, 32.0}, Case{180, 300.0, 398.0, -1, 399.0}}) {
    green().heading = c.heading;
    green().x = c.x;
    green().y = c.y;
    green().speed = 3.3;
    Step();
    if (c.expectedX >= 0) { EXPECT_EQ(green().x, c.expectedX) << c.heading; }
    if (c.expectedY >= 0) { EXPECT_EQ(green().y, c.expectedY) << c.heading; }
    EXPECT_EQ(green().speed, 3.3) << c.heading;
  }
}

TEST_F(MotionTest, FirstShotSpawnsAtTheMuzzleAndFliesInTheSameStep) {
  Step({KEY_CTRL});
  const Shot& shot = green().shots[0];
  ASSERT_EQ(shot.active, 1);
  EXPECT_EQ(shot.heading, 90);
  EXPECT_NEAR(shot.x, 481.0000085, 1e-6);
  EXPECT_NEAR(shot.y, 235.97850, 1e-5);
  // One step back along the heading is the spawn point.
  EXPECT_NEAR(shot.x + std::sin(1.57) * 9.0, 490.0000057, 1e-6);
  EXPECT_NEAR(shot.y + std::cos(1.57) * 9.0, 235.98567, 1e-5);
  EXPECT_EQ(green().speed, 0.0);
}

TEST_F(MotionTest, ThirteenSlotsThenNothing) {
  Steps(13, {KEY_CTRL, KEY_A});
  for (int i = 0; i < SHOT_SLOTS; ++i) {
    EXPECT_EQ(green().shots[i].active, 1) << i;
    EXPECT_EQ(blue().shots[i].active, 1) << i;
  }
  const auto before = green().shots;
  Step({KEY_CTRL, KEY_A});
  for (int i = 0; i < SHOT_SLOTS; ++i) {
    // Every shot only flew on: none was replaced by a fresh one at the muzzle.
    EXPECT_LT(green().shots[i].x, before[i].x) << i;
  }
  EXPECT_TRUE(decisions().empty());
}

TEST_F(MotionTest, AnimationCountsOnlyWhileMoving) {
  Steps(3, {KEY_UP});
  EXPECT_EQ(green().animation, 3);
  EXPECT_EQ(blue().animation, 0);
  green().animation = 254;
  Step();
  EXPECT_EQ(green().animation, 0);  // 255 wraps to 0: two even values in a row
}

TEST_F(MotionTest, TurnedImageShowsTheFrameTheCounterSelects) {
  ImagePtr expected(CreateImage(48, 48, 0, 0, DEFAULT_COLOUR_FLAG));
  auto sameAs = [&](const Image* frame, int32_t heading) {
    transform::RotateSprite(expected.get(), frame, heading);
    return std::memcmp(ImagePixels(expected.get()), ImagePixels(green().turned),
                       size_t{expected->pitch} * 48) == 0;
  };
  Step({KEY_UP});
  ASSERT_EQ(green().animation, 1);
  EXPECT_TRUE(sameAs(green().frameB, 90));
  EXPECT_FALSE(sameAs(green().frameA, 90));
  Step({KEY_UP});
  EXPECT_TRUE(sameAs(green().frameA, 90));
  green().speed = 0.0;
  Step({KEY_LEFT});
  EXPECT_EQ(green().animation, 2);
  EXPECT_TRUE(sameAs(green().frameA, 93));
}

}  // namespace
}  // namespace game::testing
