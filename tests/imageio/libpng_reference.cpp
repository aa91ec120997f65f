// libpng reference decoder (classic API) for tests, fuzzers and benchmarks.
#include "libpng_reference.h"

#include <png.h>

#include <cstring>

namespace imageio::testing {

namespace {

struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > reader->size - reader->at) png_error(png, "read past end");
  std::memcpy(out, reader->data + reader->at, length);
  reader->at += length;
}

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Ignore(png_structp, png_const_charp) {}

// Everything libpng's longjmp may skip lives in the caller, so this frame holds
// no objects with destructors.
bool Decode(png_structp png, png_infop info, MemoryReader* reader, ReferenceImage* out,
            std::vector<png_bytep>* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, reader, ReadFromMemory);
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
  rows->resize(out->height);
  for (uint32_t y = 0; y < out->height; ++y) {
    (*rows)[y] = out->rgba.data() + size_t{y} * out->width * 4;
  }
  png_read_image(png, rows->data());
  return true;
}

}  // namespace

bool DecodeWithLibpng(const uint8_t* data, size_t size, ReferenceImage* out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  MemoryReader reader{data, size, 0};
  std::vector<png_bytep> rows;
  const bool ok = info != nullptr && Decode(png, info, &reader, out, &rows);
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}

}  // namespace imageio::testing
