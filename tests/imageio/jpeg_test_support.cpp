// Shared pieces of the JPEG loader tests.
#include "jpeg_test_support.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "display/headless.h"
#include "display/screen.h"

void JpegScreenTest::OpenScreen(int32_t depth) {
  display::headless::Select(display::headless::Timing::Virtual);
  ASSERT_EQ(display::SetScreenMode(640, 480, depth, 1, 0, 0), display::OK);
}

void JpegScreenTest::TearDown() { display::CloseScreen(); }

std::string JpegTestFile(const std::string& name) {
  return std::string(BRAZDOVAR_TESTDATA) + "/jpeg/" + name;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

ReferenceImage DecodeWithDjpeg(const std::string& path) {
  const std::string command = std::string(BRAZDOVAR_DJPEG) + " -ppm '" + path + "' 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  ReferenceImage image;
  if (pipe == nullptr) {
    return image;
  }
  char magic[3] = {};
  unsigned width = 0, height = 0, maxval = 0;
  if (std::fscanf(pipe, "%2s %u %u %u", magic, &width, &height, &maxval) == 4 &&
      std::fgetc(pipe) == '\n' && maxval == 255) {
    const size_t components = std::strcmp(magic, "P5") == 0 ? 1 : 3;
    std::vector<uint8_t> samples(size_t{width} * height * components);
    if (std::fread(samples.data(), 1, samples.size(), pipe) == samples.size()) {
      image.width = width;
      image.height = height;
      image.rgb.reserve(size_t{width} * height * 3);
      for (size_t i = 0; i < samples.size(); i += components) {
        for (size_t c = 0; c < 3; ++c) {
          image.rgb.push_back(samples[i + (components == 3 ? c : 0)]);
        }
      }
    }
  }
  pclose(pipe);
  return image;
}
