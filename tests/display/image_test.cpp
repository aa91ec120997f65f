// Image headers, pitches and fills.
#include <gtest/gtest.h>

#include <cstring>

#include "display/image.h"
#include "headless_fixture.h"

using namespace display;

using ImageTest = HeadlessScreen;

TEST_F(ImageTest, SpriteFrameHeaderAndKeyFill) {
  ImagePtr image(CreateImage(48, 48, 0, 0, DEFAULT_COLOUR_FLAG));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->type, 7u);
  EXPECT_EQ(image->bytesPerPixel, 4u);
  EXPECT_EQ(image->width, 48u);
  EXPECT_EQ(image->height, 48u);
  EXPECT_EQ(image->pitch, 192u);
  EXPECT_EQ(image->zero[0], 0u);
  EXPECT_EQ(image->zero[1], 0u);
  // 32 + 192 * 48 = 9248 bytes, every one of the 2304 pixels the key colour.
  const uint32_t* pixels = ImageRow32(image.get(), 0);
  for (int i = 0; i < 48 * 48; ++i) ASSERT_EQ(pixels[i], 0xFFFF00FFu) << i;
}

TEST_F(ImageTest, PaddingHoldsTheFillColourToo) {
  ImagePtr image(CreateImage(33, 3, 0x123456, 32, 0));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->pitch, 144u);
  for (uint32_t y = 0; y < 3; ++y) {
    for (int x = 0; x < 36; ++x) EXPECT_EQ(ImageRow32(image.get(), y)[x], 0x123456u);
  }
}

TEST_F(ImageTest, RefusesBadSizesAndDepths) {
  EXPECT_EQ(CreateImage(10, 10, 0, 24, 0), nullptr);
  EXPECT_EQ(CreateImage(0, 10, 0, 0, 0), nullptr);
  EXPECT_EQ(CreateImage(10, -1, 0, 0, 0), nullptr);
  EXPECT_EQ(CreateImage(10, 10, 0, 33, 0), nullptr);
  EXPECT_EQ(CreateImage(10, 10, 0, INT32_MAX, 0), nullptr);  // no overflow on the way
  EXPECT_EQ(CreateImage(10, 10, 0, INT32_MAX - 6, 0), nullptr);
  ImagePtr screenDepth(CreateImage(5, 5, 0, 0, 0));
  ASSERT_NE(screenDepth, nullptr);
  EXPECT_EQ(screenDepth->bytesPerPixel, 4u);
}

TEST_F(ImageTest, SmallerPixelsConvertTheColour) {
  ImagePtr wide(CreateImage(3, 1, 0xFF8040, 16, 0));
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->bytesPerPixel, 2u);
  EXPECT_EQ(wide->pitch, 16u);
  uint16_t pixel;
  std::memcpy(&pixel, ImagePixels(wide.get()), 2);
  EXPECT_EQ(pixel, 0xFC08u);  // 5-6-5 of 0xFF8040
  ImagePtr keyed(CreateImage(3, 1, 0, 16, DEFAULT_COLOUR_FLAG));
  std::memcpy(&pixel, ImagePixels(keyed.get()), 2);
  EXPECT_EQ(pixel, 0xF81Fu);
  ImagePtr indexed(CreateImage(3, 1, 0x1234, 8, 0));
  EXPECT_EQ(indexed->pitch, 16u);
  EXPECT_EQ(ImagePixels(indexed.get())[15], 0x34u);
}

TEST(ImageWithoutScreen, NothingIsCreated) {
  CloseScreen();
  EXPECT_EQ(CreateImage(48, 48, 0, 0, DEFAULT_COLOUR_FLAG), nullptr);
  DestroyImage(nullptr);
}
