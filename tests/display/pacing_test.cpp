// When the window thread runs, on the headless virtual clock: timers at their due
// times with their cadence kept, a frame shown at its unlock, and nothing of it
// while a frame holds the screen.
#include <gtest/gtest.h>

#include <vector>

#include "display/platform/window.h"
#include "headless_fixture.h"

using namespace display;

namespace {

std::vector<int64_t> g_ticks;
void RecordTick(platform::Window*, uint32_t, uintptr_t, uint32_t) {
  g_ticks.push_back(headless::NowMs());
}

class Pacing : public HeadlessScreen {
 protected:
  void SetUp() override {
    HeadlessScreen::SetUp();
    g_ticks.clear();
  }
};

}  // namespace

TEST_F(Pacing, TimersFireAtTheirDueTimesAndKeepTheirCadence) {
  headless::Advance(3);  // off the 10 ms pass grid
  platform::SetTimer(GetWindowHandle(), 7, 35, RecordTick);
  headless::Advance(140);
  EXPECT_EQ(g_ticks, (std::vector<int64_t>{38, 73, 108, 143}));

  // A tick held back by a locked frame runs at the unlock, once, and the next
  // one is due where the cadence puts it.
  LockScreen();
  headless::Advance(40);  // 178 passes by
  EXPECT_EQ(g_ticks.size(), 4u);
  UnlockScreen(0, 0);
  headless::Advance(40);
  EXPECT_EQ(g_ticks, (std::vector<int64_t>{38, 73, 108, 143, 183, 213}));
}

TEST_F(Pacing, AnUnlockedFrameIsShownAtOnceOtherDrawingAtThePass) {
  headless::Advance(3);
  LockScreen();
  ClearScreen(ARG_DEFAULT);
  UnlockScreen(-1, -1);
  headless::Advance(0);
  auto shown = headless::TakePresentations();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].timeMs, 3);
  EXPECT_EQ(shown[0].lastRow, 479);

  ClearScreen(ARG_DEFAULT);  // auto-locked: no frame ends here
  headless::Advance(6);
  EXPECT_TRUE(headless::TakePresentations().empty());
  headless::Advance(1);
  shown = headless::TakePresentations();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].timeMs, 10);
}
