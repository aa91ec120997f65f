// LoadJpeg: refusals of bad or hostile files without output, files with warnings,
// and the screen depth without a colour conversion. jpeg_files_test.cpp checks the
// decoded samples against djpeg.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bmp_files.h"
#include "imageio/jpeg.h"

namespace imageio::testing {
namespace {

using Bytes = std::vector<uint8_t>;

std::string JpegTestFile(const std::string& name) {
  return std::string(BRAZDOVAR_TESTDATA) + "/jpeg/" + name;
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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

TEST_F(JpegLoadTest, OneByteScreenKeepsTheFill) {
  OpenScreen(8);
  display::ImagePtr image(LoadJpeg(JpegTestFile("baseline-420.jpg").c_str()));
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->bytesPerPixel, 1u);
  const uint8_t* pixels = display::ImagePixels(image.get());
  EXPECT_TRUE(std::all_of(pixels, pixels + size_t{image->pitch} * image->height,
                          [](uint8_t p) { return p == 0; }));
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

}  // namespace
}  // namespace imageio::testing
