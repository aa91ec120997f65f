// 2- and 1-byte pages turned into the 0xAARRGGBB words the scaler copies:
//
//   RowsToArgb(page, 640, first, last, argb.data(), 640 * 4);
//
// RGB 5-6-5 channels are widened by repeating their top bits (31 -> 255, 63 -> 255),
// palette indices looked up with red in bits 0-7 of an entry. Alpha is 0xFF.
#pragma once
#include <cstdint>

#include "display/platform/backend.h"

namespace display::platform {

// Writes page rows first..last (width pixels each, 1 or 2 bytes a pixel) to the
// same rows of `target`, targetPitch bytes apart.
void RowsToArgb(const PageView& page, int32_t width, int32_t first, int32_t last, uint8_t* target,
                uint32_t targetPitch);

}  // namespace display::platform
