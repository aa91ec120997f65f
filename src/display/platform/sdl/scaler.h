// Where the page lands in a window of any size, and the nearest-neighbour copy
// that puts rows of it there. Pure arithmetic on pixel words, no window system:
//
//   PageLayout layout = FitPage(640, 480, windowW, windowH);   // 2x, 3x ... or smaller
//   RowSpan rows = TargetRows(layout, 480, firstRow, lastRow);
//   ScaleRows(page, pitch, 640, 480, firstRow, lastRow, layout, pixels, surfacePitch);
//
// The page is shown at the largest whole scale that fits (each page pixel an s x s
// block), centred; when even 1x does not fit it is shrunk to the largest rectangle
// of the page's shape that does. Target pixel (tx, ty) of the layout shows page
// pixel (tx * pageW / width, ty * pageH / height), so whole scales repeat pixels.
#pragma once
#include <cstdint>

namespace display::platform {

struct PageLayout {
  int32_t x = 0, y = 0;           // top-left corner in the window
  int32_t width = 0, height = 0;  // size on screen (0 when the window has no area)
  int32_t scale = 0;              // the whole scale, 0 when shrunk below 1x
  bool operator==(const PageLayout&) const = default;
};

// Target rows [first, first + count) of the layout.
struct RowSpan {
  int32_t first = 0, count = 0;
};

// The layout of a pageW x pageH page in a windowW x windowH client area.
PageLayout FitPage(int32_t pageW, int32_t pageH, int32_t windowW, int32_t windowH);

// The window rows that show page rows first..last (relative to the window, so
// layout.y included). count may be 0 when shrinking drops those rows.
RowSpan TargetRows(const PageLayout& layout, int32_t pageH, int32_t first, int32_t last);

// Writes the window rows of TargetRows(layout, pageH, first, last) into `target`
// (32-bit pixels, targetPitch bytes a row, row 0 = the window's top row), from
// page rows of 32-bit pixels `pitch` bytes apart. Pixels outside the layout are
// left alone.
void ScaleRows(const uint8_t* page, uint32_t pitch, int32_t pageW, int32_t pageH, int32_t first,
               int32_t last, const PageLayout& layout, uint8_t* target, uint32_t targetPitch);

}  // namespace display::platform
