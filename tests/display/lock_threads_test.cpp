// The screen lock across real threads, with a real window thread (headless back end
// on wall-clock time). Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <unistd.h>

#include "display/blit.h"
#include "display/image.h"
#include "display/keys.h"
#include "display/screen_state.h"
#include "headless_fixture.h"

using namespace display;
using namespace std::chrono_literals;

class LockThreads : public HeadlessScreen {
 protected:
  void SetUp() override { Open(headless::Timing::Real); }
};

// Another thread waits for the holder, whether it locks itself or draws under
// the auto-lock (which must not draw into a locked frame); the holder's second
// LockScreen returns at once.
TEST_F(LockThreads, AnotherThreadWaitsForTheHolder) {
  for (const bool locksItself : {true, false}) {
    LockScreen();
    LockScreen();
    std::atomic<bool> drew{false};
    std::thread other([&] {
      if (locksItself) LockScreen();
      ClearScreen(ARG_DEFAULT);
      drew = true;
      if (locksItself) UnlockScreen(-1, -1);
    });
    std::this_thread::sleep_for(60ms);
    EXPECT_FALSE(drew.load()) << (locksItself ? "LockScreen" : "auto-lock");
    UnlockScreen(-1, -1);
    other.join();
    EXPECT_TRUE(drew.load());
    EXPECT_FALSE(CurrentScreen()->mutex.Locked());
  }
}

TEST_F(LockThreads, WindowThreadPresentsAndRefreshesKeys) {
  headless::SetKey(KEY_SPACE, true);
  LockScreen();
  ClearScreen(ARG_DEFAULT);
  UnlockScreen(-1, -1);
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (IsKeyDown(KEY_SPACE) != -1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(2ms);
  }
  EXPECT_EQ(IsKeyDown(KEY_SPACE), -1);
  std::vector<headless::Presentation> shown;
  while (shown.empty() && std::chrono::steady_clock::now() < deadline) {
    shown = headless::TakePresentations();
    std::this_thread::sleep_for(2ms);
  }
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0].firstRow, 0);
  EXPECT_EQ(shown[0].lastRow, 479);
}

// Two threads take the auto-lock over and over (key reads, and clearing the page)
// while a third locks, draws, checks that the lock is still its own and nobody drew
// meanwhile, unlocks, and unlocks once more without holding anything. An unlock
// must never release another thread's auto-lock (which that thread would then
// release a second time, under someone else's lock), and no unlock may be lost
// (LockScreen would hang).
TEST_F(LockThreads, UnlockNeverReleasesAnotherThreadsAutoLock) {
  constexpr int SIZE = 32;
  constexpr uint32_t MINE = 0xFF0000FFu;
  ImagePtr mine(CreateImage(SIZE, SIZE, MINE, 32, 0));
  std::atomic<bool> stop{false};
  std::vector<std::thread> drawers;
  for (int i = 0; i < 2; ++i) {
    drawers.emplace_back([&stop] {
      while (!stop.load()) {
        for (int i = 0; i < 64; ++i) IsKeyDown(KEY_SPACE);
        ClearScreen(ARG_DEFAULT);
      }
    });
  }
  const auto* page = reinterpret_cast<const uint32_t*>(CurrentScreen()->page.data());
  int broken = 0;
  const auto end = std::chrono::steady_clock::now() + 2s;
  for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
    LockScreen();
    PutImage(nullptr, 0, 0, mine.get(), ARG_DEFAULT, 0, 0, 0, 0, 0, PutOpaque);
    for (int spin = 0; spin < 50; ++spin) {
      for (int y = 0; y < SIZE; y += 7) broken += page[y * 640 + (spin % SIZE)] != MINE;
      broken += !CurrentScreen()->mutex.Locked();
    }
    UnlockScreen(-1, -1);
    UnlockScreen(round % 480, round % 480);  // holds nothing: marks under the auto-lock
  }
  stop = true;
  for (auto& drawer : drawers) drawer.join();
  EXPECT_EQ(broken, 0) << "the lock was released under its holder, or another thread drew";
  EXPECT_FALSE(CurrentScreen()->mutex.Locked());
}

// EndProgram ends the process even when other threads wait for the lock: the
// window thread must get out of its pass whoever takes the lock after it.
TEST(LockEnd, EndProgramEndsWhileOtherThreadsWaitForTheLock) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        alarm(10);  // a hang ends the child with SIGALRM
        headless::Select(headless::Timing::Real);
        if (SetScreenMode(640, 480, 32, 1, 0, 0) != 0) std::_Exit(3);
        LockScreen();
        for (int i = 0; i < 6; ++i) {
          std::thread([] {
            LockScreen();
            ClearScreen(ARG_DEFAULT);
            UnlockScreen(-1, -1);
          }).detach();
        }
        std::this_thread::sleep_for(100ms);
        EndProgram(0);
      },
      ::testing::ExitedWithCode(0), "");
}
