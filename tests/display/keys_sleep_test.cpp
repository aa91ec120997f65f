// The key table, the set-1 scan codes and SleepMs's slicing on the virtual clock.
#include <gtest/gtest.h>

#include "display/keys.h"
#include "display/platform/sdl/scancodes.h"
#include "display/platform/window.h"
#include "display/screen_state.h"
#include "display/sleep.h"
#include "headless_fixture.h"

using namespace display;

using KeysTest = HeadlessScreen;

TEST_F(KeysTest, HeldKeysReadMinusOneOnceTaken) {
  headless::Advance(3);
  headless::SetKey(KEY_UP, true);
  EXPECT_EQ(IsKeyDown(KEY_UP), 0);  // the window has not run yet
  headless::Advance(0);             // it runs for the change, before any pass
  EXPECT_EQ(IsKeyDown(KEY_UP), -1);
  EXPECT_EQ(IsKeyDown(KEY_DOWN), 0);
  EXPECT_EQ(IsKeyDown(128), 0);
  EXPECT_EQ(IsKeyDown(-1), 0);
  headless::SetKey(KEY_UP, false);
  headless::Advance(10);
  EXPECT_EQ(IsKeyDown(KEY_UP), 0);
}

TEST_F(KeysTest, LockedFrameSeesOneSnapshotAndTheKeyComesAtTheUnlock) {
  LockScreen();
  headless::SetKey(KEY_CTRL, true);
  headless::PostWindowMessage(platform::WM_CHAR, 'x');
  headless::Advance(33);  // the passes and the key wait for the lock
  EXPECT_EQ(IsKeyDown(KEY_CTRL), 0);
  EXPECT_FALSE(CurrentScreen()->keyPressed.load());
  UnlockScreen(-1, -1);
  headless::Advance(0);
  EXPECT_EQ(IsKeyDown(KEY_CTRL), -1);
  EXPECT_TRUE(CurrentScreen()->keyPressed.load());
  EXPECT_EQ(headless::TakePresentations().at(0).timeMs, 33);
}

// Focus changes reach the layer whichever procedure is installed (the game
// replaces the layer's): losing the focus lets go of every held key (a pad's
// keys come through the same refresh) until the focus comes back.
TEST_F(KeysTest, FocusLossUnderAReplacedProcedureReleasesKeysUntilItReturns) {
  platform::SetWindowProc(GetWindowHandle(), platform::DefWindowProc);
  headless::SetKey(KEY_UP, true);
  headless::Advance(0);
  EXPECT_EQ(IsKeyDown(KEY_UP), -1);
  headless::PostWindowMessage(platform::WM_ACTIVATE, platform::WA_INACTIVE);
  headless::Advance(30);
  EXPECT_EQ(IsKeyDown(KEY_UP), 0);
  headless::PostWindowMessage(platform::WM_ACTIVATE, platform::WA_ACTIVE | (uintptr_t{1} << 16));
  headless::Advance(30);
  EXPECT_EQ(IsKeyDown(KEY_UP), 0);  // minimised is not active
  headless::PostWindowMessage(platform::WM_ACTIVATE, platform::WA_ACTIVE);
  headless::Advance(10);
  EXPECT_EQ(IsKeyDown(KEY_UP), -1);
}

TEST(ScanCodes, GameKeysAndFoldedExtendedKeys) {
  using platform::SetOneCode;
  const std::pair<SDL_Scancode, int> expected[] = {
      {SDL_SCANCODE_ESCAPE, 1}, {SDL_SCANCODE_R, 19}, {SDL_SCANCODE_LCTRL, 29},
      {SDL_SCANCODE_RCTRL, 29}, {SDL_SCANCODE_A, 30}, {SDL_SCANCODE_D, 32},
      {SDL_SCANCODE_F, 33}, {SDL_SCANCODE_G, 34}, {SDL_SCANCODE_SPACE, 57},
      {SDL_SCANCODE_UP, 72}, {SDL_SCANCODE_KP_8, 72}, {SDL_SCANCODE_LEFT, 75},
      {SDL_SCANCODE_KP_4, 75}, {SDL_SCANCODE_RIGHT, 77}, {SDL_SCANCODE_KP_6, 77},
      {SDL_SCANCODE_DOWN, 80}, {SDL_SCANCODE_KP_2, 80}, {SDL_SCANCODE_RALT, 56},
      {SDL_SCANCODE_KP_ENTER, 28}, {SDL_SCANCODE_KP_DIVIDE, 53}, {SDL_SCANCODE_HOME, 71},
      {SDL_SCANCODE_PAGEUP, 73}, {SDL_SCANCODE_END, 79}, {SDL_SCANCODE_PAGEDOWN, 81},
      {SDL_SCANCODE_INSERT, 82}, {SDL_SCANCODE_DELETE, 83}, {SDL_SCANCODE_LGUI, 91},
      {SDL_SCANCODE_RGUI, 92}, {SDL_SCANCODE_APPLICATION, 93}, {SDL_SCANCODE_F11, 87},
      {SDL_SCANCODE_F12, 88}};
  for (const auto& [sdl, code] : expected) EXPECT_EQ(SetOneCode(sdl), code) << int(sdl);
  EXPECT_EQ(SetOneCode(SDL_SCANCODE_AUDIOPLAY), -1);
}

using SleepTest = HeadlessScreen;

namespace {

int64_t TimedSleep(int32_t ms) {
  const int64_t start = headless::NowMs();
  SleepMs(ms);
  return headless::NowMs() - start;
}

}  // namespace

TEST_F(SleepTest, ShortAndLongSleepsLastTheirTime) {
  EXPECT_EQ(TimedSleep(0), 0);
  EXPECT_EQ(TimedSleep(-5), 0);
  EXPECT_EQ(TimedSleep(99), 99);
  EXPECT_EQ(TimedSleep(120), 120);
  EXPECT_EQ(TimedSleep(1000), 1000);
}

TEST_F(SleepTest, AKeyQueuedBeforeEndsALongSleepAtItsFirstCheck) {
  headless::PostWindowMessage(platform::WM_CHAR, 'x');
  headless::Advance(10);  // the layer's own procedure queues the key
  EXPECT_EQ(TimedSleep(99), 99);  // short sleeps never look at the flag
  EXPECT_EQ(TimedSleep(1000), 0);
  EXPECT_EQ(TimedSleep(1000), 1000);  // the flag was cleared
}

TEST_F(SleepTest, AKeyDuringASleepEndsItAtTheNextFiftyMillisecondCheck) {
  const int64_t start = headless::NowMs();
  headless::SetPassHook([start](int64_t now) {
    if (now == start + 120) headless::PostWindowMessage(platform::WM_CLOSE);
  });
  EXPECT_EQ(TimedSleep(1000), 150);
}

TEST_F(SleepTest, WaitForKeyPollsEveryFiftyMilliseconds) {
  const int64_t start = headless::NowMs();
  headless::SetPassHook([start](int64_t now) {
    if (now == start + 260) headless::PostWindowMessage(platform::WM_CHAR, ' ');
  });
  EXPECT_EQ(TimedSleep(-1), 300);
}

TEST_F(SleepTest, NoKeyShortensASleepOnceTheProcedureIsReplaced) {
  platform::SetWindowProc(GetWindowHandle(), platform::DefWindowProc);
  headless::PostWindowMessage(platform::WM_CHAR, 'x');
  EXPECT_EQ(TimedSleep(1000), 1000);
}
