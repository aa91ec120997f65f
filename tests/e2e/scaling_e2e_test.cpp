// The game's window at other sizes: resized by the test (as a user would drag its
// border) and switched to full screen with F11, the window shows the 640 x 480
// page at the largest whole scale that fits, centred on black. Without a window
// manager, as under Xvfb. Needs a screen of at least 1300 x 1000 (the test
// script's Xvfb runs at 1920 x 1080).
#include <gtest/gtest.h>

#include <algorithm>

#include "app_fixture.h"

namespace e2e {
namespace {

// The page as the window should show it in a width x height client area: each
// page pixel a scale x scale block, centred, black around it.
Snapshot Scaled(const Snapshot& page, int width, int height) {
  const int scale = std::max(1, std::min(width / WIDTH, height / HEIGHT));
  const int left = (width - WIDTH * scale) / 2, top = (height - HEIGHT * scale) / 2;
  Snapshot picture{width, height, std::vector<uint32_t>(size_t(width) * size_t(height), 0)};
  for (int y = 0; y < HEIGHT * scale; ++y) {
    for (int x = 0; x < WIDTH * scale; ++x) {
      picture.pixels[size_t(top + y) * size_t(width) + size_t(left + x)] =
          page.At(x / scale, y / scale);
    }
  }
  return picture;
}

class ScalingTest : public AppTest {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X server: run under xvfb-run";
    ASSERT_TRUE(x_.ok());
    root_ = x_.RootGeometry();
    if (root_.width < 1300 || root_.height < 1000) {
      GTEST_SKIP() << "the screen is " << root_.width << "x" << root_.height
                   << "; these tests need 1300x1000 (run Xvfb at 1920x1080)";
    }
    Launch(E2E_GAME_PATH, E2E_ASSETS_DIR, TITLE, [](const Snapshot& s) {
      return s.width == WIDTH && s.height == HEIGHT && s.CountNonBlack({0, 0, WIDTH, HEIGHT}) > 0;
    });
    // The opening page, once two captures a moment apart agree: nothing moves
    // until a key is pressed.
    Snapshot previous;
    page_ = ExpectPicture(
        [&](const Snapshot& s) {
          const bool same = s.pixels == previous.pixels;
          previous = s;
          std::this_thread::sleep_for(100ms);
          return same;
        },
        "a still opening page");
  }

  // Resizes the window about the screen's centre, so all of it stays readable.
  void Resize(int width, int height) {
    x_.MoveResizeWindow(window_,
                        {(root_.width - width) / 2, (root_.height - height) / 2, width, height});
  }

  // Waits for the client area to be width x height and show the page scaled into it.
  void ExpectScaledPage(int width, int height, const char* what) {
    const Snapshot expected = Scaled(page_, width, height);
    ExpectPicture([&](const Snapshot& s) { return s.pixels == expected.pixels; }, what);
  }

  Rect root_;
  Snapshot page_;
};

TEST_F(ScalingTest, ResizedWindowShowsThePageAtTwiceItsSizeCentredOnBlack) {
  ASSERT_EQ(page_.width, WIDTH);
  Resize(1280, 960);
  ExpectScaledPage(1280, 960, "the page at 2x filling 1280x960");
  Resize(1300, 1000);
  ExpectScaledPage(1300, 1000, "the page at 2x, 10 and 20 pixels of black around it");
  Resize(500, 300);  // below 1x: shrunk to 400 x 300, still 4:3
  ExpectPicture(
      [](const Snapshot& s) {
        return s.width == 500 && s.height == 300 && s.CountNonBlack({0, 0, 50, 300}) == 0 &&
               s.CountNonBlack({450, 0, 50, 300}) == 0 && s.CountNonBlack({50, 0, 400, 300}) > 0;
      },
      "the page shrunk to 400x300 between black bars");
  Resize(WIDTH, HEIGHT);
  ExpectScaledPage(WIDTH, HEIGHT, "the page at 1x again");
}

TEST_F(ScalingTest, F11SwitchesToFullScreenAndBackWithoutReachingTheGame) {
  ASSERT_EQ(page_.width, WIDTH);
  Resize(1300, 1000);
  ExpectScaledPage(1300, 1000, "the page at 2x in 1300x1000");
  const auto before = x_.ClientGeometry(window_);
  ASSERT_TRUE(before);

  x_.Focus(window_);
  { HeldKey f11(x_, XK_F11); }
  ExpectScaledPage(root_.width, root_.height, "the page scaled and centred on the full screen");
  const auto full = x_.ClientGeometry(window_);
  ASSERT_TRUE(full);
  EXPECT_EQ(full->x, 0);
  EXPECT_EQ(full->y, 0);
  EXPECT_FALSE(x_.PointerVisibleAt(5, 5)) << "pointer shown over the full screen's black bar";

  { HeldKey f11(x_, XK_F11); }
  ExpectScaledPage(1300, 1000, "the window back at 1300x1000");
  const auto after = x_.ClientGeometry(window_);
  ASSERT_TRUE(after);
  EXPECT_EQ(after->width, before->width);
  EXPECT_EQ(after->height, before->height);
  EXPECT_FALSE(x_.PointerVisibleAt(after->x + 5, after->y + 5)) << "pointer shown over the window";

  // Alt+Enter does the same; neither key turned, moved or fired anything, so
  // the page is still the opening one.
  {
    HeldKey alt(x_, XK_Alt_L);
    HeldKey enter(x_, XK_Return);
  }
  ExpectScaledPage(root_.width, root_.height, "full screen after Alt+Enter");
  {
    HeldKey alt(x_, XK_Alt_L);
    HeldKey enter(x_, XK_Return);
  }
  ExpectScaledPage(1300, 1000, "the window again after Alt+Enter");
}

}  // namespace
}  // namespace e2e
