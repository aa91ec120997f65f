// A test's connection to the X server in $DISPLAY, doing what a user and a window
// manager would: find a program's window by its title, read its pixels back,
// focus it, press and release real keys (XTest) and ask it to close
// (WM_PROTOCOLS / WM_DELETE_WINDOW).
//
//   e2e::XSession x;
//   Window w = x.FindWindow(title, child.pid(), std::chrono::seconds(10));
//   std::optional<e2e::Snapshot> picture = x.Capture(w);   // the window's pixels now
//   { e2e::HeldKey up(x, XK_Up); ... }   // released when the guard ends
//   x.SendCloseRequest(w);
//
// X errors (a window that vanished under us) are ignored, never fatal: every call
// reports failure through its result instead.
#pragma once
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

// A copy of a window's client area: 0xRRGGBB per pixel, rows top first.
struct Snapshot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  // Pixels of `area` (clipped to the snapshot) whose colour is `rgb` / is not black.
  int Count(const Rect& area, uint32_t rgb) const;
  int CountNonBlack(const Rect& area) const;
  // Leftmost x in row y with colour rgb, or -1.
  int FirstInRow(int y, uint32_t rgb) const;
  // Writes the picture as a binary PPM, for looking at a failed test's window.
  bool SavePpm(const std::string& path) const;
};

class XSession {
 public:
  // Connects to $DISPLAY, or to the server named; ok() tells whether it worked.
  explicit XSession(const char* displayName = nullptr);
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  bool ok() const { return display_ != nullptr; }
  // XTest is present on the server.
  bool HasXTest() const { return hasXTest_; }

  // Polls for a viewable top-level window titled exactly `title` (its _NET_WM_NAME,
  // or WM_NAME where that is missing) and, if `pid` > 0, owned by that process
  // (_NET_WM_PID, when the window sets it). None (0) if the timeout passes.
  Window FindWindow(const std::string& title, pid_t pid, std::chrono::milliseconds timeout);
  // A text property such as "WM_NAME" or "_NET_WM_NAME"; nullopt if unset.
  std::optional<std::string> TextProperty(Window window, const char* property);
  // The client area: position on the root window and size.
  std::optional<Rect> ClientGeometry(Window window);
  // The size of the whole screen (the root window).
  Rect RootGeometry();
  // Asks for a new client-area position and size, as a user dragging the window's
  // border would (a window reaching past the screen's edge cannot be read back).
  void MoveResizeWindow(Window window, const Rect& area);
  // The whole client area as it is on the server now.
  std::optional<Snapshot> Capture(Window window);
  // Gives the window the keyboard focus and puts the pointer over it, as a
  // window manager does on a click.
  void Focus(Window window);
  void PressKey(KeySym key);
  void ReleaseKey(KeySym key);
  // Releases every key the server believes is down (left over from an earlier test).
  void ReleaseAllKeys();
  // Moves the pointer to (x, y) on the root window and tells whether the cursor
  // shown there has any visible pixel (XFixes).
  bool PointerVisibleAt(int x, int y);
  // Sends what a window manager sends for the close button: a ClientMessage
  // WM_PROTOCOLS with WM_DELETE_WINDOW. False if the window does not take it.
  bool SendCloseRequest(Window window);

 private:
  std::vector<Window> TopLevelWindows();
  std::optional<unsigned long> CardinalProperty(Window window, const char* property);
  bool Viewable(Window window);

  Display* display_ = nullptr;
  bool hasXTest_ = false;
};

// Holds a key down for its lifetime, so no test can leave a key stuck on the
// shared server when an assertion ends it early.
class HeldKey {
 public:
  HeldKey(XSession& session, KeySym key) : session_(session), key_(key) { session_.PressKey(key_); }
  ~HeldKey() { session_.ReleaseKey(key_); }
  HeldKey(const HeldKey&) = delete;
  HeldKey& operator=(const HeldKey&) = delete;

 private:
  XSession& session_;
  KeySym key_;
};

}  // namespace e2e
