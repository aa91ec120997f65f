// The screen: opening and closing it, its window thread, clearing, title, pointer,
// palette, screen information and the drawing target.
#include "display/screen.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>

#include <immintrin.h>

#include "display/headless.h"
#include "display/platform/window_internal.h"
#include "display/runtime.h"
#include "display/screen_state.h"

namespace display {

namespace {

std::atomic<Screen*> g_screen{nullptr};
std::atomic<Runtime*> g_runtime{nullptr};
// A screen closed without freeing its memory stays reachable from here, so leak
// checkers at the end of the process do not report it.
std::atomic<Runtime*> g_retired{nullptr};

// The title kept while no screen is open; the next window starts with it.
std::mutex g_titleMutex;
std::string g_title;
bool g_titleSet = false;

constexpr size_t TITLE_LIMIT = 127;

bool DepthAllowed(int32_t depth) {
  switch (depth) {
    case 1: case 2: case 4: case 8: case 15: case 16: case 24: case 32: return true;
    default: return false;
  }
}

uint32_t BytesPerPixelForDepth(int32_t depth) {
  if (depth == 24 || depth == 32) return 4;
  if (depth == 15 || depth == 16) return 2;
  return 1;
}

uint32_t ColourMaskForDepth(int32_t depth) {
  const uint32_t bytes = BytesPerPixelForDepth(depth);
  if (bytes == 4) return 0xFFFFFFFFu;
  if (bytes == 2) return 0xFFFFu;
  return (1u << depth) - 1u;
}

// The program file's name without its extension: the caption until a title is set.
std::string ProgramName() {
  std::error_code error;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("brazdovar") : path.stem().string();
}

void ResetDrawingState(Screen& screen) {
  DrawingState& state = screen.drawing;
  state = DrawingState{};
  state.targetPixels = screen.page.data();
  state.targetBytesPerPixel = screen.bytesPerPixel;
  state.targetPitch = screen.pitch;
  state.clip = ClipRect{0, 0, screen.width, screen.height};
  state.savedScreenClip = state.clip;
  state.foreground = screen.colourMask;
  state.background = screen.colourMask & 0xFF000000u;
}

// Fills 32-bit pixels with wide aligned stores: the page is cleared every frame,
// and a plain element loop runs at less than half of memset's speed. AVX2 (32-byte
// stores) where the processor has it, SSE2 (16 bytes, always there) otherwise.
// Each returns how many pixels it left for the caller's scalar tail. The choice is
// made here rather than with target_clones: its ifunc resolver runs before the
// ThreadSanitizer runtime is up and crashes the sanitizer builds at start.
__attribute__((target("avx2"))) size_t Fill32Avx2(uint32_t* pixels, size_t count, uint32_t colour) {
  const __m256i block = _mm256_set1_epi32(int(colour));
  auto* out = reinterpret_cast<__m256i*>(pixels);
  size_t blocks = count / 8;
  for (; blocks >= 4; blocks -= 4, out += 4) {
    _mm256_store_si256(out, block);
    _mm256_store_si256(out + 1, block);
    _mm256_store_si256(out + 2, block);
    _mm256_store_si256(out + 3, block);
  }
  for (; blocks > 0; --blocks) _mm256_store_si256(out++, block);
  return count % 8;
}

size_t Fill32Sse2(uint32_t* pixels, size_t count, uint32_t colour) {
  const __m128i block = _mm_set1_epi32(int(colour));
  auto* out = reinterpret_cast<__m128i*>(pixels);
  size_t blocks = count / 4;
  for (; blocks >= 4; blocks -= 4, out += 4) {
    _mm_store_si128(out, block);
    _mm_store_si128(out + 1, block);
    _mm_store_si128(out + 2, block);
    _mm_store_si128(out + 3, block);
  }
  for (; blocks > 0; --blocks) _mm_store_si128(out++, block);
  return count % 4;
}

void Fill32(uint32_t* pixels, size_t count, uint32_t colour) {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  const size_t align = avx2 ? 32 : 16;
  while (count > 0 && (reinterpret_cast<uintptr_t>(pixels) & (align - 1)) != 0) {
    *pixels++ = colour;
    --count;
  }
  const size_t tail = avx2 ? Fill32Avx2(pixels, count, colour) : Fill32Sse2(pixels, count, colour);
  std::fill_n(pixels + (count - tail), tail, colour);
}

void FillPage(Screen& screen, uint32_t colour) {
  uint8_t* page = screen.page.data();
  const size_t pixels = size_t(screen.width) * size_t(screen.height);
  switch (screen.bytesPerPixel) {
    case 4: Fill32(reinterpret_cast<uint32_t*>(page), pixels, colour); break;
    case 2: std::fill_n(reinterpret_cast<uint16_t*>(page), pixels, uint16_t(colour)); break;
    default: std::memset(page, int(colour & 0xFFu), pixels); break;
  }
}

bool OpenWindowWithFallbacks(platform::Backend& backend, const Screen& screen,
                             const std::string& title, int32_t flags) {
  const bool fullScreen = (flags & 1) != 0;
  if (backend.OpenWindow(screen.width, screen.height, title, screen.refreshRate, fullScreen)) {
    return true;
  }
  if (screen.refreshRate != 0 &&
      backend.OpenWindow(screen.width, screen.height, title, 0, fullScreen)) {
    return true;
  }
  return backend.OpenWindow(screen.width, screen.height, title, 0, !fullScreen);
}

void WindowThreadMain(Runtime* runtime, std::string title, int32_t flags,
                      std::promise<bool>* opened) {
  runtime->window->passThread = std::this_thread::get_id();
  const bool ok = OpenWindowWithFallbacks(*runtime->backend, *runtime->screen, title, flags);
  opened->set_value(ok);
  if (!ok) {
    runtime->backend->Shutdown();
    return;
  }
  RunWindowThread(*runtime);
  runtime->backend->DestroyWindow();
  runtime->backend->Shutdown();
}

// Stops the window thread and destroys the window. With freeMemory false the
// screen's memory stays allocated: the process is ending, and a frame step still
// running on another thread must not touch freed memory on its way out.
void ShutdownScreen(bool freeMemory) {
  Runtime* runtime = g_runtime.exchange(nullptr);
  Screen* screen = g_screen.exchange(nullptr);
  if (runtime == nullptr) return;
  runtime->stopRequested.store(true);
  // Whoever holds the lock or waits for it, the window thread gets out of its
  // pass: a waiting pass gives up, and no thread can take the lock from now on.
  screen->mutex.Close();
  WakeWindow(*runtime);  // out of its wait between passes too
  if (runtime->thread.joinable()) {
    if (runtime->thread.get_id() == std::this_thread::get_id()) {
      runtime->thread.detach();  // called from the window thread itself
      g_retired.store(runtime);
      return;
    }
    runtime->thread.join();
  } else {
    runtime->backend->DestroyWindow();
  }
  if (!freeMemory) {
    g_retired.store(runtime);
    return;
  }
  delete runtime->window;
  delete runtime;
  delete screen;
}

void CloseAtExit() { ShutdownScreen(false); }

}  // namespace

Screen* CurrentScreen() { return g_screen.load(std::memory_order_acquire); }
Runtime* CurrentRuntime() { return g_runtime.load(std::memory_order_acquire); }

int SetScreenMode(int32_t width, int32_t height, int32_t depth, int32_t pages, int32_t flags,
                  int32_t refreshRate) {
  if (width <= 0 || height <= 0 || !DepthAllowed(depth)) return ILLEGAL_CALL;
  (void)pages;  // one page is both visible and drawn into; more are never asked for
  CloseScreen();

  static std::once_flag atExit;
  std::call_once(atExit, [] { std::atexit(CloseAtExit); });

  auto screen = std::make_unique<Screen>();
  screen->width = width;
  screen->height = height;
  screen->depth = depth;
  screen->bytesPerPixel = BytesPerPixelForDepth(depth);
  screen->colourMask = ColourMaskForDepth(depth);
  screen->pitch = uint32_t(width) * screen->bytesPerPixel;
  screen->refreshRate = refreshRate;
  screen->page.assign(size_t(screen->pitch) * size_t(height), 0);
  screen->marks.assign(size_t(height), 0);
  ResetDrawingState(*screen);
  FillPage(*screen, screen->drawing.background);

  auto runtime = std::make_unique<Runtime>();
  runtime->screen = screen.get();
  runtime->virtualTime = headless::IsSelected() && headless::IsVirtual();
  runtime->backend = headless::IsSelected() ? platform::MakeHeadlessBackend()
                                            : platform::MakeSdlBackend();
  auto window = std::make_unique<platform::Window>();
  window->runtime = runtime.get();
  window->procedure.store(LayerWindowProc);
  runtime->window = window.get();
  {
    std::lock_guard guard(g_titleMutex);
    runtime->title = g_titleSet ? g_title : ProgramName();
  }

  bool opened = false;
  if (runtime->virtualTime) {
    window->passThread = std::this_thread::get_id();
    opened = OpenWindowWithFallbacks(*runtime->backend, *screen, runtime->title, flags);
  } else {
    std::promise<bool> result;
    auto ready = result.get_future();
    runtime->thread = std::thread(WindowThreadMain, runtime.get(), runtime->title, flags, &result);
    opened = ready.get();
    if (!opened) runtime->thread.join();
  }
  if (!opened) return ILLEGAL_CALL;

  window.release();
  g_screen.store(screen.release(), std::memory_order_release);
  g_runtime.store(runtime.release(), std::memory_order_release);
  return OK;
}

void CloseScreen() { ShutdownScreen(true); }

void EndProgram(int32_t status) {
  ShutdownScreen(false);
  std::fflush(nullptr);
  std::_Exit(status);
}

platform::Window* GetWindowHandle() {
  Runtime* runtime = CurrentRuntime();
  return runtime == nullptr ? nullptr : runtime->window;
}

ScreenInfo GetScreenInfo() {
  ScreenInfo info;
  Runtime* runtime = CurrentRuntime();
  if (runtime == nullptr) return info;
  const Screen& screen = *runtime->screen;
  info.width = screen.width;
  info.height = screen.height;
  info.depth = screen.depth;
  info.bytesPerPixel = int32_t(screen.bytesPerPixel);
  info.pitch = int32_t(screen.pitch);
  info.refreshRate = screen.refreshRate;
  info.backend = runtime->backend->Name();
  return info;
}

void PollEvents() {}

void SetWindowTitle(std::string_view text) {
  const std::string title(text.substr(0, std::min(text.size(), TITLE_LIMIT)));
  {
    std::lock_guard guard(g_titleMutex);
    g_title = title;
    g_titleSet = true;
  }
  // The window thread applies it in its next pass; nothing here waits for it, so
  // a caller holding the screen lock cannot block the pass that would serve it.
  if (Runtime* runtime = CurrentRuntime()) {
    std::lock_guard guard(runtime->requestMutex);
    runtime->title = title;
    runtime->titleChanged = true;
  }
}

int SetMouse(int32_t x, int32_t y, int32_t visibility, int32_t clipping) {
  Runtime* runtime = CurrentRuntime();
  if (runtime == nullptr) return ILLEGAL_CALL;
  Screen& screen = *runtime->screen;
  AutoLock lock(screen);
  std::lock_guard guard(runtime->requestMutex);
  platform::PointerState& pointer = runtime->pointer;
  if (x >= 0) {
    pointer.warp = true;
    pointer.x = std::min(x, screen.width - 1);
    pointer.y = std::clamp(y, 0, screen.height - 1);
  }
  if (visibility >= 0) pointer.visible = visibility > 0;
  if (clipping >= 0) pointer.confined = clipping > 0;
  runtime->pointerChanged = true;
  return OK;
}

void ClearScreen(int32_t mode) {
  Screen* screen = CurrentScreen();
  if (screen == nullptr) return;
  SelectTarget(*screen, nullptr);
  AutoLock lock(*screen);
  DrawingState& state = screen->drawing;
  if (mode == ARG_DEFAULT || mode == 0 || mode == 2) {
    // No narrower viewport or text area exists, so every mode clears the page.
    FillPage(*screen, state.background);
    MarkRows(*screen, 0, screen->height - 1);
  } else if (mode == 1) {
    const ClipRect& clip = state.clip;
    for (int32_t y = clip.y; y < clip.y + clip.height; ++y) {
      uint8_t* row = screen->page.data() + size_t(y) * screen->pitch;
      const size_t width = size_t(clip.width);
      const uint32_t colour = state.background;
      switch (screen->bytesPerPixel) {
        case 4: Fill32(reinterpret_cast<uint32_t*>(row) + clip.x, width, colour); break;
        case 2: std::fill_n(reinterpret_cast<uint16_t*>(row) + clip.x, width, uint16_t(colour));
          break;
        default: std::memset(row + clip.x, int(colour & 0xFFu), width); break;
      }
    }
    if (clip.height > 0) MarkRows(*screen, clip.y, clip.y + clip.height - 1);
  } else {
    return;
  }
  state.pointX = float(state.clip.x + state.clip.width / 2);
  state.pointY = float(state.clip.y + state.clip.height / 2);
}

void SelectTarget(Screen& screen, const Image* target) {
  DrawingState& state = screen.drawing;
  if (target == nullptr) {
    if (state.targetImage == nullptr) return;
    state.clip = state.savedScreenClip;
    state.targetImage = nullptr;
    state.targetPixels = screen.page.data();
    state.targetBytesPerPixel = screen.bytesPerPixel;
    state.targetPitch = screen.pitch;
    return;
  }
  // An image target is read from its header every time: a block freed and
  // allocated again at the same address must not keep the old geometry.
  if (state.targetImage == nullptr) state.savedScreenClip = state.clip;
  const ImageView view = DescribeImage(target, screen.bytesPerPixel);
  state.clip = ClipRect{0, 0, int32_t(view.width), int32_t(view.height)};
  state.targetImage = target;
  state.targetPixels = view.pixels;
  state.targetBytesPerPixel = view.bytesPerPixel;
  state.targetPitch = view.pitch;
}

uint32_t GetPaletteEntry(int index) {
  Screen* screen = CurrentScreen();
  if (screen == nullptr || index < 0 || index > 255) return 0;
  return screen->palette[index];
}

void SetPaletteEntry(int index, uint32_t colour) {
  Screen* screen = CurrentScreen();
  if (screen == nullptr || index < 0 || index > 255) return;
  AutoLock lock(*screen);  // the window thread reads the palette while it presents
  if (screen->palette[index] == colour) return;
  screen->palette[index] = colour;
  // A page of palette indices changes colour with it.
  if (screen->bytesPerPixel == 1) MarkRows(*screen, 0, screen->height - 1);
}

}  // namespace display
