// Fuzzes DecodePng with every output layout: no crash, leak or overflow on any
// input. DecodePng inflates while it reconstructs; ParsePng with ReconstructPng
// inflates everything first: both must accept the same inputs and give the
// same image.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "display/image.h"
#include "imageio/png.h"
#include "imageio/png_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (imageio::PngTarget target : {imageio::TargetCompactHeader, imageio::TargetRawRgba}) {
    std::free(imageio::DecodePng(data, size, target));
  }
  void* streamed = imageio::DecodePng(data, size, imageio::TargetImageBuffer);
  if (size >= imageio::PNG_MIN_FILE_BYTES) {
    imageio::PngDecoder decoder{};
    decoder.fileData = data;
    decoder.fileSize = static_cast<uint32_t>(size);
    imageio::ParsePng(&decoder);
    void* buffered = imageio::ReconstructPng(&decoder, imageio::TargetImageBuffer);
    imageio::ReleasePngDecoder(&decoder);
    if ((streamed == nullptr) != (buffered == nullptr)) std::abort();
    if (streamed != nullptr) {
      const auto* image = static_cast<const display::Image*>(streamed);
      const size_t bytes = display::IMAGE_HEADER_SIZE + size_t{image->pitch} * image->height;
      if (std::memcmp(streamed, buffered, bytes) != 0) std::abort();
    }
    std::free(buffered);
  }
  std::free(streamed);
  return 0;
}
