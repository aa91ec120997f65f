// libFuzzer target for the BMP path: LoadBmp on the input, then ReadBmp of the
// same bytes into small images of each pixel size (different copy sizes and
// conversions). The input goes through an in-memory file, since the loaders
// take file names.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "display/headless.h"
#include "display/image.h"
#include "display/screen.h"
#include "imageio/bmp.h"

namespace {

// Images beyond this many pixels are legal but only cost time and memory here.
constexpr uint64_t MAX_PIXELS = uint64_t{1} << 18;

int memoryFile = -1;
std::string memoryPath;

bool SizeWorthLoading(const uint8_t* data, size_t size) {
  // The loader reads a short header as if padded with zeros.
  uint8_t header[26] = {};
  std::memcpy(header, data, std::min(size, sizeof header));
  auto le32 = [&header](size_t at) {
    return uint32_t{header[at]} | uint32_t{header[at + 1]} << 8 | uint32_t{header[at + 2]} << 16 |
           uint32_t{header[at + 3]} << 24;
  };
  const auto width = static_cast<int32_t>(le32(18));
  const auto height = static_cast<int32_t>(le32(22));
  return width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) <= MAX_PIXELS;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  display::headless::Select(display::headless::Timing::Virtual);
  display::SetScreenMode(640, 480, 32, 1, 0, 0);
  // Closed at exit so the leak check at the end of a run sees nothing of it.
  std::atexit([] { display::CloseScreen(); });
  memoryFile = memfd_create("bmp-fuzz", 0);
  memoryPath = "/proc/self/fd/" + std::to_string(memoryFile);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!SizeWorthLoading(data, size)) return -1;
  if (ftruncate(memoryFile, 0) != 0 || pwrite(memoryFile, data, size, 0) != ssize_t(size)) {
    return 0;
  }
  display::ImagePtr loaded(imageio::LoadBmp(memoryPath.c_str()));
  for (const int depth : {32, 16, 8}) {
    display::ImagePtr small(display::CreateImage(5, 3, 0, depth, display::DEFAULT_COLOUR_FLAG));
    imageio::ReadBmp(memoryPath.c_str(), small.get());
  }
  return 0;
}
