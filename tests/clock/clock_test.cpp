// The frame clock on the headless back end: tick period, stop and restart, the
// window hook, closing, and no window at all.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <unistd.h>

#include "clock/frame_clock.h"
#include "display/headless.h"
#include "display/screen.h"
#include "display/sleep.h"

using namespace display;
using namespace frameclock;

namespace {

std::atomic<int> g_frames{0};
void CountFrame() { ++g_frames; }

class FrameClock : public ::testing::Test {
 protected:
  void SetUp() override {
    g_frames = 0;
    CloseScreen();
    headless::Select(headless::Timing::Virtual);
  }
  void TearDown() override {
    headless::SetPassHook(nullptr);
    CloseScreen();
  }
  // Runs the clock until a close request arrives at closeAtMs (virtual time).
  void RunUntilClose(int64_t closeAtMs, FrameRoutine routine) {
    headless::SetPassHook([closeAtMs](int64_t now) {
      if (now == closeAtMs) headless::PostWindowMessage(platform::WM_CLOSE);
    });
    EXPECT_EQ(RunFrameClock(35, routine), 0);
  }
};

}  // namespace

TEST_F(FrameClock, TicksEvery35MillisecondsUntilTheWindowCloses) {
  ASSERT_NE(OpenGameWindow(640, 480, 32, 1, 0), 0);
  RunUntilClose(3500, CountFrame);
  EXPECT_NEAR(g_frames.load(), 100, 1);
  EXPECT_FALSE(platform::IsWindowAlive(GetWindowHandle()));
  const int after = g_frames.load();
  SleepMs(500);  // the timer died with the window
  EXPECT_EQ(g_frames.load(), after);
}

namespace {
void StopAtTenthFrame() {
  if (++g_frames == 10) {
    StopFrameClock();
    SleepMs(1000);  // the frame step keeps running; no tick starts meanwhile
    RestartFrameClock(35);
  }
}
}  // namespace

TEST_F(FrameClock, StopAndRestartResumeAtTheSamePeriod) {
  ASSERT_NE(OpenGameWindow(640, 480, 32, 1, 0), 0);
  RunUntilClose(3500 + 1000, StopAtTenthFrame);
  EXPECT_NEAR(g_frames.load(), 100, 2);
}

TEST_F(FrameClock, HookAnswersSizeAndCommandItself) {
  ASSERT_NE(OpenGameWindow(640, 480, 32, 1, 0), 0);
  platform::Window* window = GetWindowHandle();
  EXPECT_EQ(GameWindowHook(window, platform::WM_SIZE, 0, 0), 0);
  EXPECT_EQ(GameWindowHook(window, platform::WM_COMMAND, 0, 0), 0);
  EXPECT_TRUE(platform::IsWindowAlive(window));
}

TEST_F(FrameClock, WithoutAWindowNothingRuns) {
  EXPECT_EQ(OpenGameWindow(640, 480, 12, 1, 0), 0);  // the mode is refused
  EXPECT_EQ(RunFrameClock(35, CountFrame), 0);
  EXPECT_EQ(g_frames.load(), 0);
}

namespace {
std::atomic<int> g_inside{0};
std::atomic<int> g_maxInside{0};
void SlowFrame() {
  const int inside = ++g_inside;
  int seen = g_maxInside.load();
  while (inside > seen && !g_maxInside.compare_exchange_weak(seen, inside)) {
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(80));  // longer than a period
  ++g_frames;
  --g_inside;
}
}  // namespace

TEST_F(FrameClock, SlowFrameStepsNeverOverlap) {
  headless::Select(headless::Timing::Real);
  ASSERT_NE(OpenGameWindow(640, 480, 32, 1, 0), 0);
  std::thread closer([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    headless::PostWindowMessage(platform::WM_CLOSE);
  });
  EXPECT_EQ(RunFrameClock(35, SlowFrame), 0);
  closer.join();
  WaitForFrameStep();
  EXPECT_EQ(g_maxInside.load(), 1);
  EXPECT_GE(g_frames.load(), 3);
}

// A close during start-up, before the clock runs, ends RunFrameClock at once: one
// the game's hook handled (the window is gone already), and one that reached the
// layer's own procedure because the hook was not installed yet.
TEST_F(FrameClock, ACloseBeforeTheClockRunsEndsItAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const bool beforeTheHook : {false, true}) {
    EXPECT_EXIT(
        {
          alarm(5);  // a hang ends the child with SIGALRM
          const intptr_t layer = OpenGameWindow(640, 480, 32, 1, 0);
          platform::Window* window = GetWindowHandle();
          const auto layerProc = reinterpret_cast<platform::WindowProc>(layer);
          if (beforeTheHook) platform::SetWindowProc(window, layerProc);
          headless::PostWindowMessage(platform::WM_CLOSE);
          headless::Advance(20);
          if (beforeTheHook) platform::SetWindowProc(window, GameWindowHook);
          RunFrameClock(35, CountFrame);
          std::_Exit(g_frames.load() == 0 ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "")
        << (beforeTheHook ? "close taken by the layer's procedure" : "close taken by the hook");
  }
}
