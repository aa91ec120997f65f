// Every decodable file of the shared JPEG set, loaded at 32 and 16 bits per pixel
// and compared pixel for pixel with libjpeg-turbo's own decoder (djpeg).
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>

#include "bmp_files.h"
#include "display/blit.h"
#include "imageio/jpeg.h"

namespace imageio::testing {
namespace {

struct ReferenceImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgb;  // 3 bytes per pixel, rows packed; gray expanded
};

// Runs `djpeg -ppm` on the file. CMYK files come out as RGB by the inverted-CMYK
// rule of libjpeg-turbo's tools. An empty result means djpeg refused the file.
ReferenceImage DecodeWithDjpeg(const std::string& path) {
  const std::string command = std::string(BRAZDOVAR_DJPEG) + " -ppm '" + path + "' 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  ReferenceImage image;
  if (pipe == nullptr) return image;
  char magic[3] = {};
  unsigned width = 0, height = 0, maxval = 0;
  if (std::fscanf(pipe, "%2s %u %u %u", magic, &width, &height, &maxval) == 4 &&
      std::fgetc(pipe) == '\n' && maxval == 255) {
    const size_t components = std::strcmp(magic, "P5") == 0 ? 1 : 3;
    std::vector<uint8_t> samples(size_t{width} * height * components);
    if (std::fread(samples.data(), 1, samples.size(), pipe) == samples.size()) {
      image.width = width;
      image.height = height;
      for (size_t i = 0; i < samples.size(); i += components) {
        for (size_t c = 0; c < 3; ++c) image.rgb.push_back(samples[i + (components == 3 ? c : 0)]);
      }
    }
  }
  pclose(pipe);
  return image;
}

// The reference pixel as the loader stores it: 0xFFRRGGBB, or 5-6-5 on 2 bytes.
uint32_t ExpectedPixel(const ReferenceImage& reference, uint32_t x, uint32_t y, uint32_t bytesPerPixel) {
  const uint8_t* p = &reference.rgb[(size_t{y} * reference.width + x) * 3];
  if (bytesPerPixel == 2) return (p[0] >> 3) << 11 | (p[1] >> 2) << 5 | p[2] >> 3;
  return 0xFF000000u | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}

using FileAndDepth = std::tuple<const char*, int32_t>;
class JpegFileTest : public ScreenTest, public ::testing::WithParamInterface<FileAndDepth> {};

TEST_P(JpegFileTest, MatchesLibjpegTurboDecoder) {
  const auto [name, depth] = GetParam();
  OpenScreen(depth);
  const uint32_t bytesPerPixel = depth == 32 ? 4 : 2;
  const uint32_t fill = depth == 32 ? FILL : display::KEY_COLOUR_16;
  const std::string path = std::string(BRAZDOVAR_TESTDATA) + "/jpeg/" + name;
  const ReferenceImage reference = DecodeWithDjpeg(path);
  ASSERT_GT(reference.width, 0u) << "djpeg could not decode " << path;

  display::ImagePtr image(LoadJpeg(path.c_str()));
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->width, reference.width);
  ASSERT_EQ(image->height, reference.height);
  ASSERT_EQ(image->bytesPerPixel, bytesPerPixel);
  // Rows are walked by the header's pitch; the padding after each row keeps the
  // fill, so a loader that stepped by width would show here as a mismatch.
  for (uint32_t y = 0; y < image->height; ++y) {
    for (uint32_t x = 0; x < image->pitch / bytesPerPixel; ++x) {
      const uint32_t expected = x < image->width ? ExpectedPixel(reference, x, y, bytesPerPixel) : fill;
      ASSERT_EQ(Pixel(image.get(), x, y), expected) << "pixel " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    SharedSet, JpegFileTest,
    ::testing::Combine(::testing::Values("baseline-420.jpg", "progressive-420.jpg",
                                         "baseline-444.jpg", "grayscale.jpg", "cmyk-plain.jpg",
                                         "ycck-adobe.jpg", "arithmetic-420.jpg", "truncated.jpg",
                                         "tiny-3x2-444.jpg"),
                       ::testing::Values(32, 16)),
    [](const ::testing::TestParamInfo<FileAndDepth>& info) {
      return ParamName(std::get<0>(info.param)) + "_" + std::to_string(std::get<1>(info.param));
    });

}  // namespace
}  // namespace imageio::testing
