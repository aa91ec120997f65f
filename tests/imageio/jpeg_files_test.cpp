// Every decodable file of the shared JPEG set, loaded at 32 and 16 bits per pixel
// and compared pixel for pixel with libjpeg-turbo's own decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "display/image.h"
#include "imageio/jpeg.h"
#include "jpeg_test_support.h"

namespace {

using FileAndDepth = std::tuple<const char*, int32_t>;

uint32_t ImagePixel(const display::Image* image, uint32_t x, uint32_t y) {
  const uint8_t* at = display::ImagePixels(image) + size_t{y} * image->pitch + x * image->bytesPerPixel;
  if (image->bytesPerPixel == 2) {
    uint16_t pixel;
    std::memcpy(&pixel, at, 2);
    return pixel;
  }
  uint32_t pixel;
  std::memcpy(&pixel, at, 4);
  return pixel;
}

uint32_t ExpectedPixel(const ReferenceImage& reference, uint32_t x, uint32_t y,
                       uint32_t bytesPerPixel) {
  const uint32_t argb = reference.Pixel32(x, y);
  if (bytesPerPixel == 2) {
    return (argb >> 8 & 0xF800) | (argb >> 5 & 0x07E0) | (argb >> 3 & 0x001F);
  }
  return argb;
}

class JpegFileTest : public JpegScreenTest, public ::testing::WithParamInterface<FileAndDepth> {};

TEST_P(JpegFileTest, MatchesLibjpegTurboDecoder) {
  const auto [name, depth] = GetParam();
  OpenScreen(depth);
  const uint32_t bytesPerPixel = depth == 32 ? 4 : 2;
  const uint32_t fill = depth == 32 ? 0xFFFF00FFu : 0xF81Fu;
  const std::string path = JpegTestFile(name);
  const ReferenceImage reference = DecodeWithDjpeg(path);
  ASSERT_GT(reference.width, 0u) << "djpeg could not decode " << path;

  display::ImagePtr image(imageio::LoadJpeg(path.c_str()));
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->width, reference.width);
  ASSERT_EQ(image->height, reference.height);
  ASSERT_EQ(image->bytesPerPixel, bytesPerPixel);

  // Rows are walked by the header's pitch; the padding after each row keeps the
  // fill, so a loader that stepped by width would show here as a mismatch.
  int mismatches = 0;
  for (uint32_t y = 0; y < image->height; ++y) {
    for (uint32_t x = 0; x < image->pitch / bytesPerPixel; ++x) {
      const uint32_t expected = x < image->width ? ExpectedPixel(reference, x, y, bytesPerPixel) : fill;
      const uint32_t actual = ImagePixel(image.get(), x, y);
      if (actual != expected && mismatches++ < 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << "): 0x" << std::hex << actual
                      << ", expected 0x" << expected;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(
    SharedSet, JpegFileTest,
    ::testing::Combine(::testing::Values("baseline-420.jpg", "progressive-420.jpg",
                                         "baseline-444.jpg", "grayscale.jpg", "cmyk-plain.jpg",
                                         "ycck-adobe.jpg", "arithmetic-420.jpg", "truncated.jpg",
                                         "tiny-3x2-444.jpg"),
                       ::testing::Values(32, 16)),
    [](const ::testing::TestParamInfo<FileAndDepth>& info) {
      std::string name = std::get<0>(info.param);
      name = name.substr(0, name.find('.'));
      for (char& c : name) {
        if (c == '-') c = '_';
      }
      return name + "_" + std::to_string(std::get<1>(info.param));
    });

}  // namespace
