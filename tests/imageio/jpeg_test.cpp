// LoadJpeg: every decodable file of the shared JPEG set, loaded at 32, 16 and 8
// bits per pixel and compared pixel for pixel with libjpeg-turbo's own decoder (djpeg);
// refusals of bad or hostile files without output, files with warnings, and the
// screen depth without a colour conversion.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "bmp_files.h"
#include "display/blit.h"
#include "imageio/jpeg.h"

namespace imageio::testing {
namespace {

using Bytes = std::vector<uint8_t>;

std::string JpegTestFile(const std::string& name) {
  return std::string(BRAZDOVAR_TESTDATA) + "/jpeg/" + name;
}

// Offset of the first marker 0xFF code at or after `from`, or npos.
size_t FindMarker(const Bytes& bytes, std::initializer_list<uint8_t> codes, size_t from = 0) {
  for (size_t i = from; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && std::find(codes.begin(), codes.end(), bytes[i + 1]) != codes.end()) {
      return i;
    }
  }
  return std::string::npos;
}

// The file with the frame size in its SOF segment replaced.
Bytes WithFrameSize(Bytes bytes, uint16_t width, uint16_t height) {
  const size_t sof = FindMarker(bytes, {0xC0, 0xC1, 0xC2});
  bytes.at(sof + 5) = static_cast<uint8_t>(height >> 8);
  bytes.at(sof + 6) = static_cast<uint8_t>(height);
  bytes.at(sof + 7) = static_cast<uint8_t>(width >> 8);
  bytes.at(sof + 8) = static_cast<uint8_t>(width);
  return bytes;
}

// A progressive file with its last scan repeated `copies` more times. The library
// only warns about the odd progression and decodes every copy.
Bytes WithRepeatedLastScan(const Bytes& file, int copies) {
  size_t last = FindMarker(file, {0xDA});
  for (size_t next = last; next != std::string::npos; next = FindMarker(file, {0xDA}, next + 2)) {
    last = next;
  }
  const Bytes scan(file.begin() + static_cast<ptrdiff_t>(last), file.end() - 2);  // up to EOI
  Bytes out(file.begin(), file.end() - 2);
  for (int i = 0; i < copies; ++i) {
    out.insert(out.end(), scan.begin(), scan.end());
  }
  out.insert(out.end(), file.end() - 2, file.end());
  return out;
}

// A sequential file with the header of its scan repeated before the end marker.
// The library raises its fatal error while finishing, after every row is decoded.
Bytes WithStraySecondScan(const Bytes& file) {
  const size_t sos = FindMarker(file, {0xDA});
  const size_t length = size_t{file.at(sos + 2)} << 8 | file.at(sos + 3);
  Bytes out(file.begin(), file.end() - 2);
  out.insert(out.end(), file.begin() + static_cast<ptrdiff_t>(sos),
             file.begin() + static_cast<ptrdiff_t>(sos + 2 + length));
  out.insert(out.end(), file.end() - 2, file.end());
  return out;
}

// Loads a file while capturing stderr; the loader must never print.
display::Image* LoadSilently(const std::string& path) {
  ::testing::internal::CaptureStderr();
  display::Image* image = LoadJpeg(path.c_str());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  return image;
}

class JpegLoadTest : public ScreenTest {};

TEST_F(JpegLoadTest, MissingFileOrScreenGivesNull) {
  EXPECT_EQ(LoadJpeg(JpegTestFile("no-such-file.jpg").c_str()), nullptr);
  EXPECT_EQ(LoadJpeg(nullptr), nullptr);
  display::CloseScreen();
  EXPECT_EQ(LoadJpeg(JpegTestFile("baseline-420.jpg").c_str()), nullptr);
}

struct BadFile {
  const char* name;
  Bytes (*make)();
  bool loads = false;  // only warnings: the image comes back
};
void PrintTo(const BadFile& file, std::ostream* out) { *out << file.name; }

Bytes Baseline() { return ReadBytes(JpegTestFile("baseline-420.jpg")); }
Bytes Progressive() { return ReadBytes(JpegTestFile("progressive-420.jpg")); }
Bytes CutInsideHeader() {
  Bytes bytes = Baseline();
  bytes.resize(FindMarker(bytes, {0xC0}) + 4);
  return bytes;
}

const BadFile kBadFiles[] = {
    {"not_a_jpeg", [] { return ReadBytes(JpegTestFile("not-a-jpeg.jpg")); }},
    {"empty", [] { return Bytes{}; }},
    {"cut_inside_header", CutInsideHeader},
    {"zero_width", [] { return WithFrameSize(Baseline(), 0, 149); }},
    {"over_pixel_limit", [] { return WithFrameSize(Baseline(), 10000, 10000); }},
    {"largest_frame", [] { return WithFrameSize(Progressive(), 65535, 65535); }},
    {"stray_second_scan", [] { return WithStraySecondScan(Baseline()); }},
    {"endless_scans", [] { return WithRepeatedLastScan(Progressive(), 600); }},
    // Data that ends early and an odd progression only raise warnings.
    {"truncated", [] { return ReadBytes(JpegTestFile("truncated.jpg")); }, true},
    {"rescanned", [] { return WithRepeatedLastScan(Progressive(), 20); }, true},
};

class JpegBadFileTest : public ScreenTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(JpegBadFileTest, GivesNullOrTheImageSilently) {
  const std::string path = WriteFile(std::string("jpeg-") + GetParam().name + ".jpg", GetParam().make());
  display::ImagePtr image(LoadSilently(path));
  if (!GetParam().loads) {
    EXPECT_EQ(image, nullptr);
    return;
  }
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 227u);
  EXPECT_EQ(image->height, 149u);
}

INSTANTIATE_TEST_SUITE_P(Refused, JpegBadFileTest, ::testing::ValuesIn(kBadFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// --- the shared files against djpeg ----------------------------------------------

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
// A 1-byte screen has no colour conversion: the image keeps its fill.
uint32_t ExpectedPixel(const ReferenceImage& reference, uint32_t x, uint32_t y, uint32_t bytesPerPixel) {
  if (bytesPerPixel == 1) return display::KEY_COLOUR_8;
  const uint8_t* p = &reference.rgb[(size_t{y} * reference.width + x) * 3];
  if (bytesPerPixel == 2) return (p[0] >> 3) << 11 | (p[1] >> 2) << 5 | p[2] >> 3;
  return 0xFF000000u | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}

using FileAndDepth = std::tuple<const char*, int32_t>;
class JpegFileTest : public ScreenTest, public ::testing::WithParamInterface<FileAndDepth> {};

TEST_P(JpegFileTest, MatchesLibjpegTurboDecoder) {
  const auto [name, depth] = GetParam();
  OpenScreen(depth);
  const uint32_t bytesPerPixel = uint32_t(depth) / 8;
  const uint32_t fill = depth == 32 ? FILL : depth == 16 ? display::KEY_COLOUR_16 : display::KEY_COLOUR_8;
  const std::string path = JpegTestFile(name);
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
                       ::testing::Values(32, 16, 8)),
    [](const ::testing::TestParamInfo<FileAndDepth>& info) {
      return ParamName(std::get<0>(info.param)) + "_" + std::to_string(std::get<1>(info.param));
    });

}  // namespace
}  // namespace imageio::testing
