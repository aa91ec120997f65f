// Row loops for every PNG sample format, instantiated per output byte order and
// per column step (1, or the Adam7 step) so the common case runs without strides.
#include "imageio/png_emit.h"

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

namespace imageio {

namespace {

template <bool RGBA>
constexpr uint32_t Pack(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  return RGBA ? a << 24 | b << 16 | g << 8 | r : a << 24 | r << 16 | g << 8 | b;
}

// Palette and gray up to 8 bits, one table look-up per sample.
template <uint32_t DEPTH, bool UNIT>
void EmitIndexed(const PixelConverter& cv, const uint8_t* row, uint32_t count, uint32_t* out,
                 uint32_t step) {
  if constexpr (UNIT) step = 1;
  constexpr uint32_t PER_BYTE = 8 / DEPTH;
  constexpr uint32_t MASK = (1u << DEPTH) - 1;
  if constexpr (DEPTH == 8) {
    for (uint32_t i = 0; i < count; ++i) out[i * step] = cv.lookup[row[i]];
  } else {
    uint32_t i = 0;
    for (; i + PER_BYTE <= count; i += PER_BYTE) {
      const uint32_t byte = row[i / PER_BYTE];
      for (uint32_t s = 0; s < PER_BYTE; ++s) {
        out[(i + s) * step] = cv.lookup[(byte >> (8 - DEPTH * (s + 1))) & MASK];
      }
    }
    // The last byte's low bits past the row's end are padding.
    for (uint32_t s = 0; i < count; ++i, ++s) {
      out[i * step] = cv.lookup[(row[i / PER_BYTE] >> (8 - DEPTH * (s + 1))) & MASK];
    }
  }
}

template <bool RGBA, bool UNIT>
void EmitGray16(const PixelConverter& cv, const uint8_t* row, uint32_t count, uint32_t* out,
                uint32_t step) {
  if constexpr (UNIT) step = 1;
  for (uint32_t i = 0; i < count; ++i, row += 2) {
    const uint32_t v = uint32_t{row[0]} << 8 | row[1];
    const uint32_t a = cv.keyed && v == cv.key[0] ? 0 : 255;
    out[i * step] = Pack<RGBA>(row[0], row[0], row[0], a);
  }
}

template <uint32_t SAMPLE, bool RGBA, bool UNIT>
void EmitGrayAlpha(const PixelConverter&, const uint8_t* row, uint32_t count, uint32_t* out,
                   uint32_t step) {
  if constexpr (UNIT) step = 1;
  for (uint32_t i = 0; i < count; ++i, row += 2 * SAMPLE) {
    out[i * step] = Pack<RGBA>(row[0], row[0], row[0], row[SAMPLE]);
  }
}

template <bool RGBA, bool UNIT, bool KEYED>
void EmitRgb8(const PixelConverter& cv, const uint8_t* row, uint32_t count, uint32_t* out,
              uint32_t step) {
  if constexpr (UNIT) step = 1;
  for (uint32_t i = 0; i < count; ++i, row += 3) {
    uint32_t a = 255;
    if constexpr (KEYED) {
      a = row[0] == cv.key[0] && row[1] == cv.key[1] && row[2] == cv.key[2] ? 0 : 255;
    }
    out[i * step] = Pack<RGBA>(row[0], row[1], row[2], a);
  }
}

template <bool RGBA, bool UNIT>
void EmitRgba8(const PixelConverter&, const uint8_t* row, uint32_t count, uint32_t* out,
               uint32_t step) {
  if constexpr (UNIT) step = 1;
  for (uint32_t i = 0; i < count; ++i, row += 4) {
    out[i * step] = Pack<RGBA>(row[0], row[1], row[2], row[3]);
  }
}

template <bool RGBA, bool UNIT>
void EmitRgb16(const PixelConverter& cv, const uint8_t* row, uint32_t count, uint32_t* out,
               uint32_t step) {
  if constexpr (UNIT) step = 1;
  for (uint32_t i = 0; i < count; ++i, row += 6) {
    const uint32_t r = uint32_t{row[0]} << 8 | row[1];
    const uint32_t g = uint32_t{row[2]} << 8 | row[3];
    const uint32_t b = uint32_t{row[4]} << 8 | row[5];
    const bool key = cv.keyed && r == cv.key[0] && g == cv.key[1] && b == cv.key[2];
    out[i * step] = Pack<RGBA>(row[0], row[2], row[4], key ? 0 : 255);
  }
}

template <bool RGBA, bool UNIT>
void EmitRgba16(const PixelConverter&, const uint8_t* row, uint32_t count, uint32_t* out,
                uint32_t step) {
  if constexpr (UNIT) step = 1;
  for (uint32_t i = 0; i < count; ++i, row += 8) {
    out[i * step] = Pack<RGBA>(row[0], row[2], row[4], row[6]);
  }
}

#if defined(__x86_64__) || defined(__i386__)
// 8-bit RGB and RGBA rows with column step 1, four pixels per SSSE3 byte shuffle.
// An RGB load takes 16 bytes for 12, reading up to 4 bytes past the row, which
// the unfilter row slack covers.
template <uint32_t PIXEL, bool RGBA>
__attribute__((target("ssse3"))) void EmitShuffled(const PixelConverter& cv, const uint8_t* row,
                                                   uint32_t count, uint32_t* out, uint32_t) {
  constexpr char R = 0, G = 1, B = 2, A = PIXEL == 4 ? 3 : -1;  // -1 clears the byte
  constexpr char F = PIXEL;
  const __m128i order =
      RGBA ? _mm_setr_epi8(R, G, B, A, R + F, G + F, B + F, A < 0 ? -1 : A + F, R + 2 * F,
                           G + 2 * F, B + 2 * F, A < 0 ? -1 : A + 2 * F, R + 3 * F, G + 3 * F,
                           B + 3 * F, A < 0 ? -1 : A + 3 * F)
           : _mm_setr_epi8(B, G, R, A, B + F, G + F, R + F, A < 0 ? -1 : A + F, B + 2 * F,
                           G + 2 * F, R + 2 * F, A < 0 ? -1 : A + 2 * F, B + 3 * F, G + 3 * F,
                           R + 3 * F, A < 0 ? -1 : A + 3 * F);
  const __m128i opaque = _mm_set1_epi32(PIXEL == 4 ? 0 : static_cast<int>(0xFF000000u));
  uint32_t i = 0;
  for (; i + 4 <= count; i += 4, row += 4 * PIXEL) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_or_si128(_mm_shuffle_epi8(pixels, order), opaque));
  }
  if constexpr (PIXEL == 4) {
    EmitRgba8<RGBA, true>(cv, row, count - i, out + i, 1);
  } else {
    EmitRgb8<RGBA, true, false>(cv, row, count - i, out + i, 1);
  }
}

// 8-bit gray rows whose every level is opaque, column step 1: sixteen pixels
// per load, each level copied into red, green and blue under an alpha of 255
// (the same word in either byte order).
__attribute__((target("ssse3"))) void EmitOpaqueGray8(const PixelConverter& cv, const uint8_t* row,
                                                      uint32_t count, uint32_t* out, uint32_t) {
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  __m128i spread[4];
  for (int q = 0; q < 4; ++q) {
    const char p = static_cast<char>(4 * q);
    spread[q] = _mm_setr_epi8(p, p, p, -1, static_cast<char>(p + 1), static_cast<char>(p + 1),
                              static_cast<char>(p + 1), -1, static_cast<char>(p + 2),
                              static_cast<char>(p + 2), static_cast<char>(p + 2), -1,
                              static_cast<char>(p + 3), static_cast<char>(p + 3),
                              static_cast<char>(p + 3), -1);
  }
  uint32_t i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m128i levels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    for (int q = 0; q < 4; ++q) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4 * q),
                       _mm_or_si128(_mm_shuffle_epi8(levels, spread[q]), opaque));
    }
  }
  EmitIndexed<8, true>(cv, row + i, count - i, out + i, 1);
}

// Whether the gray lookup is the plain one: level v to (v, v, v, 255).
bool OpaqueGrayLookup(const PixelConverter& cv) {
  for (uint32_t v = 0; v < 256; ++v) {
    if (cv.lookup[v] != (0xFF000000u | v * 0x010101u)) return false;
  }
  return true;
}
#endif

template <bool RGBA>
void FillGrayLookup(const PngDecoder& d, PixelConverter* cv) {
  const uint32_t mask = (1u << d.bitDepth) - 1;
  const uint32_t scale = 255 / mask;
  for (uint32_t v = 0; v <= mask; ++v) {
    const uint32_t a = d.transparencyPresent && v == d.transparentGray ? 0 : 255;
    const uint32_t g = v * scale;
    cv->lookup[v] = Pack<RGBA>(g, g, g, a);
  }
}

template <bool RGBA>
void FillPaletteLookup(const PngDecoder& d, PixelConverter* cv) {
  for (uint32_t v = 0; v < 256; ++v) {
    const uint32_t a = d.transparencyPresent ? d.paletteAlpha[v] : 255;
    cv->lookup[v] = Pack<RGBA>(d.palette[v][0], d.palette[v][1], d.palette[v][2], a);
  }
}

template <bool UNIT>
RowEmitter IndexedEmitter(uint32_t depth) {
  switch (depth) {
    case 1: return EmitIndexed<1, UNIT>;
    case 2: return EmitIndexed<2, UNIT>;
    case 4: return EmitIndexed<4, UNIT>;
    default: return EmitIndexed<8, UNIT>;
  }
}

template <bool RGBA, bool UNIT>
RowEmitter ChooseEmitter(const PngDecoder& d, const PixelConverter& cv) {
  const bool wide = d.bitDepth == 16;
  switch (d.colourType) {
    case 0:
      if (wide) return EmitGray16<RGBA, UNIT>;
#if defined(__x86_64__) || defined(__i386__)
      if (UNIT && d.bitDepth == 8 && __builtin_cpu_supports("ssse3") && OpaqueGrayLookup(cv)) {
        return EmitOpaqueGray8;
      }
#endif
      return IndexedEmitter<UNIT>(d.bitDepth);
    case 3: return IndexedEmitter<UNIT>(d.bitDepth);
    case 4: return wide ? EmitGrayAlpha<2, RGBA, UNIT> : EmitGrayAlpha<1, RGBA, UNIT>;
    case 2:
      if (wide) return EmitRgb16<RGBA, UNIT>;
      if (cv.keyed) return EmitRgb8<RGBA, UNIT, true>;
#if defined(__x86_64__) || defined(__i386__)
      if (UNIT && __builtin_cpu_supports("ssse3")) return EmitShuffled<3, RGBA>;
#endif
      return EmitRgb8<RGBA, UNIT, false>;
    default:
      if (wide) return EmitRgba16<RGBA, UNIT>;
#if defined(__x86_64__) || defined(__i386__)
      if (UNIT && __builtin_cpu_supports("ssse3")) return EmitShuffled<4, RGBA>;
#endif
      return EmitRgba8<RGBA, UNIT>;
  }
}

template <bool RGBA>
void Prepare(const PngDecoder& d, PixelConverter* cv) {
  if (d.colourType == 0 && d.bitDepth <= 8) FillGrayLookup<RGBA>(d, cv);
  if (d.colourType == 3) FillPaletteLookup<RGBA>(d, cv);
  cv->keyed = d.transparencyPresent != 0;
  cv->key[0] = d.colourType == 0 ? d.transparentGray : d.transparentRed;
  cv->key[1] = d.transparentGreen;
  cv->key[2] = d.transparentBlue;
  // 8-bit RGB samples can only equal keys below 256.
  if (d.colourType == 2 && d.bitDepth == 8 && (cv->key[0] | cv->key[1] | cv->key[2]) > 255) {
    cv->keyed = false;
  }
  cv->emitRow = ChooseEmitter<RGBA, true>(d, *cv);
  cv->emitStridedRow = ChooseEmitter<RGBA, false>(d, *cv);
}

}  // namespace

void PreparePixelConverter(const PngDecoder& decoder, bool rgbaOrder, PixelConverter* converter) {
  if (rgbaOrder) {
    Prepare<true>(decoder, converter);
  } else {
    Prepare<false>(decoder, converter);
  }
}

}  // namespace imageio
