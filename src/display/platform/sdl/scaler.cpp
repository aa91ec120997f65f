// The page's layout in a window and the nearest-neighbour row copy.
//
// Whole scales build each target row once, from its page row, and copy it to the
// other s - 1 rows of its block; the common scales have their own loops so that
// the compiler unrolls and vectorises them. Shrinking looks every pixel up.
#include "display/platform/sdl/scaler.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace display::platform {

namespace {

// One page row repeated to `scale` words a pixel.
template <int32_t kScale>
void WidenRow(const uint32_t* source, int32_t width, uint32_t* target) {
  for (int32_t x = 0; x < width; ++x) {
    const uint32_t pixel = source[x];
    for (int32_t k = 0; k < kScale; ++k) target[k] = pixel;
    target += kScale;
  }
}

void WidenRow(const uint32_t* source, int32_t width, int32_t scale, uint32_t* target) {
  switch (scale) {
    case 1:
      std::memcpy(target, source, size_t(width) * 4);
      return;
    case 2:
      return WidenRow<2>(source, width, target);
    case 3:
      return WidenRow<3>(source, width, target);
    case 4:
      return WidenRow<4>(source, width, target);
    default:
      for (int32_t x = 0; x < width; ++x) std::fill_n(target + size_t(x) * scale, scale, source[x]);
  }
}

const uint32_t* PageRow(const uint8_t* page, uint32_t pitch, int64_t row) {
  return reinterpret_cast<const uint32_t*>(page + size_t(row) * pitch);
}

uint32_t* TargetRow(uint8_t* target, uint32_t pitch, int64_t row, int32_t x) {
  return reinterpret_cast<uint32_t*>(target + size_t(row) * pitch) + x;
}

}  // namespace

PageLayout FitPage(int32_t pageW, int32_t pageH, int32_t windowW, int32_t windowH) {
  if (pageW <= 0 || pageH <= 0 || windowW <= 0 || windowH <= 0) return {};
  PageLayout layout;
  layout.scale = std::min(windowW / pageW, windowH / pageH);
  if (layout.scale >= 1) {
    layout.width = pageW * layout.scale;
    layout.height = pageH * layout.scale;
  } else {
    layout.width = int32_t(std::min<int64_t>(windowW, int64_t(windowH) * pageW / pageH));
    layout.height = int32_t(int64_t(layout.width) * pageH / pageW);
    if (layout.height == 0) return {};
  }
  layout.x = (windowW - layout.width) / 2;
  layout.y = (windowH - layout.height) / 2;
  return layout;
}

RowSpan TargetRows(const PageLayout& layout, int32_t pageH, int32_t first, int32_t last) {
  first = std::max(first, 0);
  last = std::min(last, pageH - 1);
  if (layout.height <= 0 || first > last) return {};
  // Target row ty shows page row floor(ty * pageH / height): the first target row
  // at or past page row r is ceil(r * height / pageH).
  const auto start = [&](int64_t row) {
    return int32_t((row * layout.height + pageH - 1) / pageH);
  };
  const int32_t begin = start(first), end = start(int64_t(last) + 1);
  return {layout.y + begin, end - begin};
}

void ScaleRows(const uint8_t* page, uint32_t pitch, int32_t pageW, int32_t pageH, int32_t first,
               int32_t last, const PageLayout& layout, uint8_t* target, uint32_t targetPitch) {
  const RowSpan rows = TargetRows(layout, pageH, first, last);
  if (rows.count <= 0) return;
  const int32_t s = layout.scale;
  if (s >= 1) {
    // rows.first - layout.y is a multiple of s: whole blocks only.
    for (int32_t ty = rows.first; ty < rows.first + rows.count; ty += s) {
      uint32_t* row = TargetRow(target, targetPitch, ty, layout.x);
      WidenRow(PageRow(page, pitch, (ty - layout.y) / s), pageW, s, row);
      for (int32_t k = 1; k < s; ++k) {
        std::memcpy(TargetRow(target, targetPitch, ty + k, layout.x), row,
                    size_t(layout.width) * 4);
      }
    }
    return;
  }
  std::vector<int32_t> columns(size_t(layout.width));
  for (int32_t tx = 0; tx < layout.width; ++tx) {
    columns[size_t(tx)] = int32_t(int64_t(tx) * pageW / layout.width);
  }
  for (int32_t ty = rows.first; ty < rows.first + rows.count; ++ty) {
    const uint32_t* source = PageRow(page, pitch, int64_t(ty - layout.y) * pageH / layout.height);
    uint32_t* row = TargetRow(target, targetPitch, ty, layout.x);
    for (int32_t tx = 0; tx < layout.width; ++tx) row[tx] = source[columns[size_t(tx)]];
  }
}

}  // namespace display::platform
