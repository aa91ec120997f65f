// When the real window thread runs: its pass about every 10 ms, and in between at
// the due time of the next timer, when a finished frame or a key arrives, and
// when the window system has events. It waits on one poll for all of these, so a
// 35 ms timer fires every 35 ms and not on the next 10 ms pass, and a frame is
// shown as soon as it is unlocked.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "display/platform/window_internal.h"
#include "display/runtime.h"

namespace display {

namespace {

constexpr int64_t PASS_PERIOD_MS = 10;

// Waits until `dueMs` on the runtime's clock, or until the wake signal or the
// window system's connection has something to read.
void WaitUntil(Runtime& runtime, int64_t dueMs, int eventFd) {
  const auto due = runtime.start + std::chrono::milliseconds(dueMs);
  const auto left = due - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) return;
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  const timespec timeout{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
  pollfd fds[2] = {{runtime.wake.fd(), POLLIN, 0}, {eventFd, POLLIN, 0}};
  ppoll(fds, eventFd >= 0 ? 2 : 1, &timeout, nullptr);
}

}  // namespace

WakeSignal::WakeSignal() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeSignal::~WakeSignal() {
  if (fd_ >= 0) close(fd_);
}

void WakeSignal::Raise() {
  const uint64_t one = 1;
  if (fd_ >= 0) (void)!write(fd_, &one, sizeof one);
}

void WakeSignal::Drain() {
  uint64_t count;
  if (fd_ >= 0) (void)!read(fd_, &count, sizeof count);
}

void WakeWindow(Runtime& runtime) {
  if (runtime.virtualTime) {
    runtime.wakeRequested.store(true);
  } else {
    runtime.wake.Raise();
  }
}

void RunWindowThread(Runtime& runtime) {
  // Without a window-system connection to watch (-1), events wait for a pass.
  const int eventFd = runtime.backend->EventFd();
  while (!runtime.stopRequested.load()) {
    // Drained before the pass: a wake raised after this point is served by the
    // pass or leaves the signal set for one more.
    runtime.wake.Drain();
    WindowPass(runtime);
    // The next plain pass is due 10 ms after the last pass of any kind.
    const int64_t nextPass = RuntimeNow(runtime) + PASS_PERIOD_MS;
    WaitUntil(runtime, std::min(nextPass, platform::NextTimerDue(runtime.window)), eventFd);
  }
}

}  // namespace display
