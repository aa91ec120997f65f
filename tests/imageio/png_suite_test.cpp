// PngSuite conformance: every valid image decodes to the same RGBA bytes as
// libpng (expanded to 8-bit RGBA, 16-bit samples cut to their high byte, "tRNS"
// turned into alpha, no gamma), and every corrupt one (x*.png) gives null. No
// valid suite file trips the decoder's strict rules (trailing bytes, CRCs of
// ancillary chunks, "tRNS" lengths), so none is exempt.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "imageio/png.h"

namespace imageio::testing {
namespace {

namespace fs = std::filesystem;

const fs::path SUITE = BRAZDOVAR_TESTDATA "/pngsuite";

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct LibpngImage {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgba;  // top row first
};

// Decodes with libpng's classic API; false when libpng reports an error.
bool DecodeWithLibpng(const std::vector<uint8_t>& file, LibpngImage* out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  struct Reader {
    const std::vector<uint8_t>* file;
    size_t at;
  } reader{&file, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, [](png_structp p, png_bytep data, size_t length) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(p));
    if (r->at + length > r->file->size()) png_error(p, "read past end");
    std::memcpy(data, r->file->data() + r->at, length);
    r->at += length;
  });
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  out->width = png_get_image_width(png, info);
  out->height = png_get_image_height(png, info);
  out->rgba.assign(size_t{out->width} * out->height * 4, 0);
  std::vector<png_bytep> rows(out->height);
  for (uint32_t y = 0; y < out->height; ++y) rows[y] = out->rgba.data() + size_t{y} * out->width * 4;
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

std::vector<std::string> SuiteFiles() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(SUITE)) {
    if (entry.path().extension() == ".png") names.push_back(entry.path().filename());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class PngSuite : public ::testing::TestWithParam<std::string> {};

TEST_P(PngSuite, MatchesLibpngOrRefusesCorruptFiles) {
  const std::string name = GetParam();
  const std::vector<uint8_t> file = ReadFile(SUITE / name);
  ASSERT_FALSE(file.empty());
  void* ours = DecodePng(file.data(), file.size(), TargetRawRgba);
  if (name[0] == 'x') {
    EXPECT_EQ(ours, nullptr);
    std::free(ours);
    return;
  }
  ASSERT_NE(ours, nullptr);
  LibpngImage reference;
  ASSERT_TRUE(DecodeWithLibpng(file, &reference));
  auto* image = static_cast<display::Image*>(DecodePng(file.data(), file.size(), TargetImageBuffer));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, reference.width);
  EXPECT_EQ(image->height, reference.height);
  const bool sameSize = image->width == reference.width && image->height == reference.height;
  const size_t rowBytes = size_t{reference.width} * 4;
  const uint8_t* bytes = static_cast<const uint8_t*>(ours);
  for (uint32_t y = 0; sameSize && y < reference.height; ++y) {
    const uint8_t* expected = reference.rgba.data() + y * rowBytes;
    // Raw RGBA is stored bottom row first; the Image holds 0xAARRGGBB words.
    ASSERT_EQ(std::memcmp(bytes + (reference.height - 1 - y) * rowBytes, expected, rowBytes), 0)
        << name << " row " << y;
    const uint32_t* words = display::ImageRow32(image, y);
    for (uint32_t x = 0; x < reference.width; ++x) {
      const uint8_t* p = expected + x * 4;
      ASSERT_EQ(words[x], uint32_t{p[3]} << 24 | uint32_t{p[0]} << 16 | p[1] << 8 | p[2])
          << name << " at " << x << "," << y;
    }
  }
  std::free(image);
  std::free(ours);
}

INSTANTIATE_TEST_SUITE_P(AllFiles, PngSuite, ::testing::ValuesIn(SuiteFiles()),
                         [](const auto& info) {
                           return info.param.substr(0, info.param.size() - 4);
                         });

}  // namespace
}  // namespace imageio::testing
