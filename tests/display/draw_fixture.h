// Shared by the blit and text tests: a 640x480x32 headless screen per test and
// direct views of its page, row marks and images.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "display/headless.h"
#include "display/image.h"
#include "display/screen.h"
#include "display/screen_state.h"

namespace display::testing {

class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Select(headless::Timing::Virtual);
    ASSERT_EQ(SetScreenMode(640, 480, 32, 1, 0, 0), 0);
    // Start every test with no marked row, whatever opening the screen did.
    std::memset(screen().marks.data(), 0, screen().marks.size());
  }
  void TearDown() override { CloseScreen(); }

  static Screen& screen() { return *CurrentScreen(); }
  static uint32_t PagePixel(int x, int y) {
    uint32_t p;
    std::memcpy(&p, screen().page.data() + size_t(y) * screen().pitch + size_t(x) * 4, 4);
    return p;
  }
  static bool RowMarked(int y) { return screen().marks[size_t(y)] != 0; }
  // Rows first..last marked and no other.
  static void ExpectMarkedRows(int first, int last) {
    for (int y = 0; y < 480; ++y) {
      EXPECT_EQ(RowMarked(y), y >= first && y <= last) << "row " << y;
    }
  }
};

// Pixel access for any pixel size, walking rows by the header's pitch.
inline uint32_t PixelAt(const Image* image, uint32_t x, uint32_t y) {
  const uint8_t* p = ImagePixels(image) + size_t(y) * image->pitch + size_t(x) * image->bytesPerPixel;
  uint32_t v = 0;
  std::memcpy(&v, p, image->bytesPerPixel);
  return v;
}
inline void SetPixel(Image* image, uint32_t x, uint32_t y, uint32_t value) {
  uint8_t* p = ImagePixels(image) + size_t(y) * image->pitch + size_t(x) * image->bytesPerPixel;
  std::memcpy(p, &value, image->bytesPerPixel);
}

}  // namespace display::testing
