// The screen lock across real threads, with a real window thread (headless back end
// on wall-clock time). Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "display/keys.h"
#include "display/screen_state.h"
#include "headless_fixture.h"

using namespace display;
using namespace std::chrono_literals;

class LockThreads : public HeadlessScreen {
 protected:
  void SetUp() override { Open(headless::Timing::Real); }
};

TEST_F(LockThreads, AnotherThreadWaitsForTheHolder) {
  LockScreen();
  LockScreen();  // the holder's second call returns at once
  std::atomic<bool> otherHasIt{false};
  std::thread other([&] {
    LockScreen();
    otherHasIt = true;
    ClearScreen(ARG_DEFAULT);
    UnlockScreen(-1, -1);
  });
  std::this_thread::sleep_for(60ms);
  EXPECT_FALSE(otherHasIt.load());
  UnlockScreen(-1, -1);
  other.join();
  EXPECT_TRUE(otherHasIt.load());
  EXPECT_FALSE(CurrentScreen()->locked.load());
}

TEST_F(LockThreads, DrawingFromAnotherThreadWaitsForTheLock) {
  LockScreen();
  std::atomic<bool> cleared{false};
  std::thread other([&] {
    ClearScreen(ARG_DEFAULT);  // auto-lock: must not draw into a locked frame
    cleared = true;
  });
  std::this_thread::sleep_for(60ms);
  EXPECT_FALSE(cleared.load());
  UnlockScreen(-1, -1);
  other.join();
  EXPECT_TRUE(cleared.load());
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
