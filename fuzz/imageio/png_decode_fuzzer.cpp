// Fuzzes DecodePng with every output layout: no crash, leak or overflow on any input.
#include <cstdint>
#include <cstdlib>

#include "imageio/png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (imageio::PngTarget target :
       {imageio::TargetCompactHeader, imageio::TargetImageBuffer, imageio::TargetRawRgba}) {
    std::free(imageio::DecodePng(data, size, target));
  }
  return 0;
}
