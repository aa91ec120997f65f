// The window-system calls the frame clock is written against: a window handle with
// a replaceable message procedure, the default procedure, window destruction, the
// quit message, timers and detached worker threads.
//
// Message procedures and timer callbacks run on the display layer's window thread,
// inside the screen mutex, during the dispatch step of each pass.
#pragma once
#include <cstdint>

namespace display::platform {

struct Window;  // owned by the display layer's window thread

enum Message : uint32_t {
  WM_DESTROY = 0x0002,
  WM_SIZE = 0x0005,
  WM_ACTIVATE = 0x0006,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_SETCURSOR = 0x0020,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_COMMAND = 0x0111,
  WM_TIMER = 0x0113,
};

// Activation word parameter: low word 0 = inactive; high word non-zero = minimised.
inline constexpr uintptr_t WA_INACTIVE = 0;
inline constexpr uintptr_t WA_ACTIVE = 1;

using WindowProc = intptr_t (*)(Window* window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam);
using TimerProc = void (*)(Window* window, uint32_t message, uintptr_t timerId, uint32_t time);
using ThreadStart = uint32_t (*)(void* parameter);

// Replaces the window's message procedure; returns the one it replaced (null for a
// null or destroyed window).
WindowProc SetWindowProc(Window* window, WindowProc procedure);

// The default handling: WM_CLOSE destroys the window, everything else returns 0.
intptr_t DefWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Destroys the window: it is closed, WM_DESTROY is sent to its procedure, its
// timers stop. Later calls on the window fail quietly. Returns false if already gone.
bool DestroyWindow(Window* window);

// Asks the window thread's message loop to end its dispatch with this exit code.
// The display layer's window thread keeps making passes; the code is recorded.
void PostQuitMessage(int exitCode);

// Arms (or re-arms) timer `id` of the window with `periodMs`; `callback` runs on
// the window thread inside the screen mutex when it is due. Returns id, 0 on failure.
uintptr_t SetTimer(Window* window, uintptr_t id, uint32_t periodMs, TimerProc callback);
// Disarms the timer; never waits for the window thread. True if it was armed.
bool KillTimer(Window* window, uintptr_t id);

// Starts a detached worker that runs start(parameter) once. False if it could not
// be started. On the headless virtual clock the worker runs on the driving thread
// right after the current window pass.
bool StartWorker(ThreadStart start, void* parameter);

// True while the window exists (not yet destroyed).
bool IsWindowAlive(const Window* window);

// True once a close request (WM_CLOSE) was dispatched to the window, whichever
// procedure handled it: a program that installs its own procedure late can still
// honour a close that came before.
bool CloseRequested(const Window* window);

}  // namespace display::platform
