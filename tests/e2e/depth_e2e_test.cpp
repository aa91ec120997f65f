// Screens of 5-6-5 pixels and of palette indices on a real window: the probe's
// squares show in their colours (5-6-5 widened by repeating the top bits), and a
// close still ends it with status 0. Also run in the AddressSanitizer build, where
// any read past the narrower page ends the probe with a report instead.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "probe_layout.h"

namespace e2e {
namespace {

// The colour a page pixel of `depth` bits shows for `argb`, as 0xRRGGBB.
uint32_t Shown(int depth, uint32_t argb) {
  if (depth != 16) return argb & 0xFFFFFFu;
  const uint32_t r = argb >> 19 & 31u, g = argb >> 10 & 63u, b = argb >> 3 & 31u;
  return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
}

class DepthTest : public AppTest, public ::testing::WithParamInterface<int> {};

TEST_P(DepthTest, SquaresShowInTheirColoursAndACloseEndsTheProbe) {
  const int depth = GetParam();
  const Rect fixed{probe::FIXED_X, probe::FIXED_Y, probe::FIXED_SIZE, probe::FIXED_SIZE};
  const uint32_t fixedShown = Shown(depth, probe::FIXED_COLOUR);
  const uint32_t movingShown = Shown(depth, probe::MOVING_COLOUR);
  const auto framesShown = [&](const Snapshot& s) {
    return s.Count(fixed, fixedShown) == fixed.width * fixed.height &&
           s.Count({0, probe::MOVING_Y, probe::WIDTH, probe::MOVING_SIZE}, movingShown) ==
               probe::MOVING_SIZE * probe::MOVING_SIZE &&
           s.CountNonBlack({0, 0, probe::WIDTH, probe::HEIGHT}) ==
               fixed.width * fixed.height + probe::MOVING_SIZE * probe::MOVING_SIZE;
  };
  Launch(E2E_PROBE_PATH, ::testing::TempDir(), probe::TITLE, framesShown,
         {"--depth=" + std::to_string(depth)});
  if (HasFatalFailure()) return;
  ASSERT_TRUE(x_.SendCloseRequest(window_));
  ExpectExitZero("a close request");
}

INSTANTIATE_TEST_SUITE_P(Depths, DepthTest, ::testing::Values(16, 8));

}  // namespace
}  // namespace e2e
