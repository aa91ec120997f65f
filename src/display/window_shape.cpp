// The starting and the current window shape, shared between the window thread
// and the program's own threads under one mutex.
#include "display/window_shape.h"

#include <mutex>

namespace display {
namespace {

std::mutex shapeMutex;
WindowShape starting;
WindowShape current;
bool seen = false;  // a window has reported its shape

}  // namespace

void SetStartingShape(const WindowShape& shape) {
  std::lock_guard guard(shapeMutex);
  starting = shape;
}

WindowShape StartingShape() {
  std::lock_guard guard(shapeMutex);
  return starting;
}

WindowShape CurrentWindowShape() {
  std::lock_guard guard(shapeMutex);
  return seen ? current : starting;
}

void RecordWindowShape(bool fullScreen, int32_t width, int32_t height) {
  std::lock_guard guard(shapeMutex);
  if (!seen) current = starting;
  seen = true;
  current.fullScreen = fullScreen;
  if (!fullScreen && width > 0 && height > 0) current.width = width, current.height = height;
}

}  // namespace display
