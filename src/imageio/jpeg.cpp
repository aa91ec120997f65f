// LoadJpeg: libjpeg's decompressor driven one scanline at a time into a display
// image, with a recovering error manager so that a bad file yields null.
#include "imageio/jpeg.h"

#include <climits>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "display/screen.h"
#include "imageio/jpeg_errors.h"
#include "imageio/jpeg_internal.h"
#include "imageio/jpeg_rows.h"

namespace imageio {
namespace {

// One load's library state and result. It lives in the caller of the function
// that calls setjmp, so after a longjmp nothing is read from that function's own
// locals, and no object with a destructor lives across the jump.
struct JpegLoad {
  jpeg_decompress_struct decompressor;
  RecoveringErrors errors;
  display::Image* image;
};

// The library converts gray, YCbCr and RGB files itself: for 4-byte images
// straight into our pixel layout (blue, green, red, 255 in memory), for the others
// into RGB. It cannot turn CMYK or YCCK into RGB, so those come out as CMYK and
// are converted row by row.
JpegSamples ChooseOutput(jpeg_decompress_struct& decompressor, uint32_t bytesPerPixel) {
  const J_COLOR_SPACE stored = decompressor.jpeg_color_space;
  if (stored == JCS_CMYK || stored == JCS_YCCK) {
    decompressor.out_color_space = JCS_CMYK;
    return JpegSamples::InvertedCmyk;
  }
  if (bytesPerPixel == 4) {
    decompressor.out_color_space = JCS_EXT_BGRA;
    return JpegSamples::Bgra;
  }
  decompressor.out_color_space = JCS_RGB;
  return JpegSamples::Rgb;
}

// Checked on the header, before the library allocates whole-image buffers
// (progressive files) and before the image: the pixel limit, and an image block of
// 4-byte pixels at CreateImage's 16-byte pitch that fits in 32-bit sizes.
bool FitsLimit(const jpeg_decompress_struct& decompressor, uint64_t maxPixels) {
  const uint64_t width = decompressor.image_width;
  const uint64_t height = decompressor.image_height;
  const uint64_t pitch = (width * 4 + 15) / 16 * 16;
  return width * height <= maxPixels &&
         display::IMAGE_HEADER_SIZE + pitch * height <= uint64_t{INT32_MAX};
}

// Runs the decompressor from the header to the end of the data. Returns false
// after a fatal library error or a refusal; the caller then destroys the
// decompressor and any image made.
bool Decode(JpegLoad& load, std::FILE* file, uint32_t bytesPerPixel, uint64_t maxPixels) {
  jpeg_decompress_struct& decompressor = load.decompressor;
  if (setjmp(load.errors.recover) != 0) {
    return false;
  }
  jpeg_CreateDecompress(&decompressor, JPEG_LIB_VERSION, sizeof(decompressor));
  jpeg_stdio_src(&decompressor, file);
  jpeg_read_header(&decompressor, TRUE);
  if (!FitsLimit(decompressor, maxPixels)) {
    return false;
  }
  const JpegSamples layout = ChooseOutput(decompressor, bytesPerPixel);
  jpeg_start_decompress(&decompressor);
  // The row conversion reads exactly this many samples per pixel.
  if (decompressor.output_components != SampleCount(layout)) {
    return false;
  }
  JSAMPARRAY row = (*decompressor.mem->alloc_sarray)(
      reinterpret_cast<j_common_ptr>(&decompressor), JPOOL_IMAGE,
      decompressor.output_width * decompressor.output_components, 1);

  load.image = display::CreateImage(static_cast<int32_t>(decompressor.output_width),
                                    static_cast<int32_t>(decompressor.output_height), 0, 0,
                                    display::DEFAULT_COLOUR_FLAG);
  // The screen's depth could have changed since the output format was chosen.
  if (load.image == nullptr || load.image->bytesPerPixel != bytesPerPixel) {
    return false;
  }
  uint8_t* dest = display::ImagePixels(load.image);
  while (decompressor.output_scanline < decompressor.output_height) {
    if (jpeg_read_scanlines(&decompressor, row, 1) != 1) {
      return false;
    }
    ConvertJpegRow(row[0], layout, decompressor.output_width, bytesPerPixel, dest);
    dest += load.image->pitch;
  }
  // Finishing releases the image pool, the row buffer with it. That pool also
  // holds decoder state that finishing may still read while it looks for the end
  // of the data (a file with a stray second scan does so), so it is not released
  // before.
  jpeg_finish_decompress(&decompressor);
  return true;
}

}  // namespace

display::Image* DecodeJpeg(std::FILE* file, uint64_t maxPixels) {
  // Images are made at the screen's depth; without a screen there is nothing to make.
  const int32_t bytesPerPixel = display::GetScreenInfo().bytesPerPixel;
  if (bytesPerPixel <= 0) {
    return nullptr;
  }
  JpegLoad load{};
  load.decompressor.err = InstallRecoveringErrors(load.errors);
  const bool decoded = Decode(load, file, static_cast<uint32_t>(bytesPerPixel), maxPixels);
  jpeg_destroy_decompress(&load.decompressor);
  if (decoded) {
    return load.image;
  }
  display::DestroyImage(load.image);
  return nullptr;
}

display::Image* LoadJpeg(const char* path) {
  if (path == nullptr) {
    return nullptr;
  }
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    return nullptr;
  }
  display::Image* image = DecodeJpeg(file, JPEG_MAX_PIXELS);
  std::fclose(file);
  return image;
}

}  // namespace imageio
