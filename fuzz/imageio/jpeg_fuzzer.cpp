// libFuzzer target: arbitrary bytes through the JPEG loader, read from memory as
// the stdio stream the loader reads its files through.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "display/headless.h"
#include "display/screen.h"
#include "imageio/jpeg_internal.h"

namespace {

// Below the loader's own limit so that every input decodes quickly; the check is
// the same code either way.
constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  display::headless::Select(display::headless::Timing::Virtual);
  display::SetScreenMode(640, 480, 32, 1, 0, 0);
  // Close the screen before the leak check at exit: the display layer's own exit
  // hook keeps the screen's memory allocated on purpose.
  std::atexit(display::CloseScreen);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) {
    return 0;  // fmemopen needs at least one byte
  }
  std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (file == nullptr) {
    return 0;
  }
  display::DestroyImage(imageio::DecodeJpeg(file, kFuzzMaxPixels));
  std::fclose(file);
  return 0;
}
