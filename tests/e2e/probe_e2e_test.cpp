// The display layer and frame clock on a real window (SDL2 under an X server):
// the probe program's window, its pictures, a held key and the close request.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "probe_layout.h"

namespace e2e {
namespace {

constexpr uint32_t Rgb(uint32_t argb) { return argb & 0xFFFFFFu; }

const Rect kFixed{probe::FIXED_X, probe::FIXED_Y, probe::FIXED_SIZE, probe::FIXED_SIZE};
const Rect kMarker{probe::MARKER_X, probe::MARKER_Y, probe::MARKER_SIZE, probe::MARKER_SIZE};
const Rect kMovingBand{0, probe::MOVING_Y, probe::WIDTH, probe::MOVING_SIZE};
constexpr int kMovingRow = probe::MOVING_Y + probe::MOVING_SIZE / 2;

bool FixedSquareShown(const Snapshot& s) {
  return s.Count(kFixed, Rgb(probe::FIXED_COLOUR)) == kFixed.width * kFixed.height;
}

class ProbeTest : public AppTest {
 protected:
  void SetUp() override {
    Launch(E2E_PROBE_PATH, ::testing::TempDir(), probe::TITLE, FixedSquareShown);
  }
};

TEST_F(ProbeTest, WindowHasExactTitleAndClientSizeAndIsCentred) {
  EXPECT_EQ(x_.TextProperty(window_, "WM_NAME"), probe::TITLE);
  EXPECT_EQ(x_.TextProperty(window_, "_NET_WM_NAME"), probe::TITLE);
  const auto geometry = x_.ClientGeometry(window_);
  ASSERT_TRUE(geometry);
  EXPECT_EQ(geometry->width, probe::WIDTH);
  EXPECT_EQ(geometry->height, probe::HEIGHT);
  const Rect root = x_.RootGeometry();
  EXPECT_NEAR(geometry->x, (root.width - probe::WIDTH) / 2, 1);
  EXPECT_NEAR(geometry->y, (root.height - probe::HEIGHT) / 2, 1);
}

TEST_F(ProbeTest, FramesShowTheFixedSquareAndAMovingSquare) {
  const Snapshot first = ExpectPicture(FixedSquareShown, "the fixed square");
  // A whole frame at a time: every picture holds the full 40 x 40 moving square.
  const int area = probe::MOVING_SIZE * probe::MOVING_SIZE;
  ASSERT_EQ(first.Count(kMovingBand, Rgb(probe::MOVING_COLOUR)), area);
  const int x1 = first.FirstInRow(kMovingRow, Rgb(probe::MOVING_COLOUR));
  ASSERT_GE(x1, 0);

  const auto start = std::chrono::steady_clock::now();
  const Snapshot later = ExpectPicture(
      [&](const Snapshot& s) {
        return std::chrono::steady_clock::now() - start >= 200ms &&
               s.FirstInRow(kMovingRow, Rgb(probe::MOVING_COLOUR)) != x1;
      },
      "the square to move");
  const int x2 = later.FirstInRow(kMovingRow, Rgb(probe::MOVING_COLOUR));
  EXPECT_EQ(later.Count(kMovingBand, Rgb(probe::MOVING_COLOUR)), area);
  EXPECT_EQ(later.Count(kFixed, Rgb(probe::FIXED_COLOUR)), kFixed.width * kFixed.height);
  EXPECT_GE(x2, 0);
  EXPECT_EQ(x2 % probe::MOVING_STEP, 0) << "x moves in steps of " << probe::MOVING_STEP;
}

TEST_F(ProbeTest, HoldingUpShowsTheMarkerUntilReleased) {
  const auto markerShown = [](const Snapshot& s) {
    return s.Count(kMarker, Rgb(probe::MARKER_COLOUR)) == kMarker.width * kMarker.height;
  };
  const auto markerGone = [](const Snapshot& s) {
    return FixedSquareShown(s) && s.Count(kMarker, Rgb(probe::MARKER_COLOUR)) == 0;
  };
  ExpectPicture(markerGone, "a picture without the marker");
  x_.Focus(window_);
  {
    HeldKey up(x_, XK_Up);
    ExpectPicture(markerShown, "the marker while Up is held");
  }
  ExpectPicture(markerGone, "the marker to go once Up is released");
}

TEST_F(ProbeTest, PointerIsHiddenOverTheWindowOnly) {
  const auto window = x_.ClientGeometry(window_);
  ASSERT_TRUE(window);
  const int insideX = window->x + window->width / 2, insideY = window->y + window->height / 2;
  const auto deadline = std::chrono::steady_clock::now() + PICTURE_TIMEOUT;
  while (x_.PointerVisibleAt(insideX, insideY) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_FALSE(x_.PointerVisibleAt(insideX, insideY)) << "pointer shown over the window";
  EXPECT_TRUE(x_.PointerVisibleAt(window->x + window->width + 10, window->y))
      << "pointer hidden outside the window";
}

TEST_F(ProbeTest, CloseRequestEndsTheProcessWithStatusZeroWithinASecond) {
  ASSERT_TRUE(x_.SendCloseRequest(window_)) << "the window does not take WM_DELETE_WINDOW";
  ExpectExitZero("a close request", 1s);
}

}  // namespace
}  // namespace e2e
