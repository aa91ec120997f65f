// The screen: opening, clearing, marks and the presented band, title, pointer.
#include <gtest/gtest.h>

#include <algorithm>

#include "display/platform/window.h"
#include "display/runtime.h"
#include "display/screen_state.h"
#include "headless_fixture.h"

using namespace display;
using headless::Presentation;

namespace {

const uint32_t* Page() { return reinterpret_cast<const uint32_t*>(CurrentScreen()->page.data()); }

// Runs one window pass and returns what it presented.
std::vector<Presentation> NextPass() {
  headless::Advance(10);
  return headless::TakePresentations();
}

}  // namespace

using ScreenTest = HeadlessScreen;

TEST_F(ScreenTest, OpensBlackWithNothingMarked) {
  const uint32_t* page = Page();
  EXPECT_TRUE(std::all_of(page, page + 640 * 480, [](uint32_t p) { return p == 0xFF000000u; }));
  EXPECT_TRUE(NextPass().empty());
  const ScreenInfo info = GetScreenInfo();
  EXPECT_EQ(info.width, 640);
  EXPECT_EQ(info.height, 480);
  EXPECT_EQ(info.bytesPerPixel, 4);
  EXPECT_EQ(info.pitch, 2560);
  EXPECT_EQ(info.backend, "headless");
}

TEST_F(ScreenTest, BadModesAreRefusedAndTheScreenStays) {
  EXPECT_EQ(SetScreenMode(640, 480, 12, 1, 0, 0), 1);
  EXPECT_EQ(SetScreenMode(0, 480, 32, 1, 0, 0), 1);
  EXPECT_EQ(SetScreenMode(640, -5, 32, 1, 0, 0), 1);
  EXPECT_NE(GetWindowHandle(), nullptr);
  EXPECT_EQ(GetScreenInfo().width, 640);
}

TEST_F(ScreenTest, ClearFillsAndMarksEveryRow) {
  CurrentScreen()->page[7] = 0x12;
  LockScreen();
  ClearScreen(ARG_DEFAULT);
  UnlockScreen(10, 5);  // marks nothing, still unlocks
  EXPECT_FALSE(CurrentScreen()->mutex.Locked());
  const uint32_t* page = Page();
  EXPECT_TRUE(std::all_of(page, page + 640 * 480, [](uint32_t p) { return p == 0xFF000000u; }));
  const auto shown = NextPass();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].firstRow, 0);
  EXPECT_EQ(shown[0].lastRow, 479);
  EXPECT_EQ(CurrentScreen()->drawing.pointX, 320.0f);
  EXPECT_EQ(CurrentScreen()->drawing.pointY, 240.0f);
}

TEST_F(ScreenTest, PresentsOnlyTheBandBetweenMarkedRows) {
  LockScreen();
  UnlockScreen(200, 210);
  LockScreen();
  UnlockScreen(100, 100);
  auto shown = NextPass();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].firstRow, 100);
  EXPECT_EQ(shown[0].lastRow, 210);
  EXPECT_TRUE(NextPass().empty());  // marks were cleared
  UnlockScreen(-1, -1);
  shown = NextPass();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].firstRow, 0);
  EXPECT_EQ(shown[0].lastRow, 479);
  UnlockScreen(470, 480);  // last row outside the screen: nothing
  EXPECT_TRUE(NextPass().empty());
}

TEST_F(ScreenTest, LockIsUncounted) {
  LockScreen();
  LockScreen();
  UnlockScreen(-1, -1);
  EXPECT_FALSE(CurrentScreen()->mutex.Locked());
  // The window pass can take the mutex again.
  EXPECT_EQ(NextPass().size(), 1u);
}

// Mode 1 fills the clip rectangle whatever the pixel size.
TEST(ScreenDepths, ClearToTheClipFillsSmallerPixelsToo) {
  headless::Select(headless::Timing::Virtual);
  for (const int32_t depth : {16, 8}) {
    ASSERT_EQ(SetScreenMode(64, 8, depth, 1, 0, 0), 0);
    Screen& screen = *CurrentScreen();
    std::fill(screen.page.begin(), screen.page.end(), uint8_t{0x5A});
    ClearScreen(1);
    EXPECT_EQ(std::count(screen.page.begin(), screen.page.end(), uint8_t{0}),
              std::ptrdiff_t(screen.page.size()))
        << depth << "-bit page";
    CloseScreen();
  }
}

// An exposed window is presented again whoever's procedure is installed.
TEST_F(ScreenTest, ExposeRepaintsUnderAReplacedProcedure) {
  platform::SetWindowProc(GetWindowHandle(), [](platform::Window*, uint32_t, uintptr_t, intptr_t) {
    return intptr_t{0};
  });
  NextPass();
  headless::PostWindowMessage(platform::WM_PAINT);
  headless::Advance(20);  // the pass that dispatches the expose, and the next
  const auto shown = headless::TakePresentations();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].firstRow, 0);
  EXPECT_EQ(shown[0].lastRow, 479);
}

TEST_F(ScreenTest, TitleIsCutTo127Characters) {
  SetWindowTitle(std::string(200, 'x'));
  NextPass();
  EXPECT_EQ(headless::Title(), std::string(127, 'x'));
  SetWindowTitle("Brazdovar - DEATHMATCH | 2 igraca");
  NextPass();
  EXPECT_EQ(headless::Title(), "Brazdovar - DEATHMATCH | 2 igraca");
}

TEST_F(ScreenTest, SetMouseChangesOnlyWhatItIsGiven) {
  EXPECT_EQ(SetMouse(-1, -1, 0, -1), 0);
  NextPass();
  EXPECT_FALSE(headless::PointerVisible());
  std::lock_guard guard(CurrentRuntime()->requestMutex);
  EXPECT_FALSE(CurrentRuntime()->pointer.confined);
  EXPECT_FALSE(CurrentRuntime()->pointer.warp);
}

TEST(ScreenWithoutWindow, OperationsDoNothing) {
  CloseScreen();
  EXPECT_EQ(GetWindowHandle(), nullptr);
  EXPECT_EQ(SetMouse(1, 1, 1, 1), 1);
  EXPECT_EQ(GetScreenInfo().backend, "");
  LockScreen();
  ClearScreen(ARG_DEFAULT);
  UnlockScreen(-1, -1);
}
