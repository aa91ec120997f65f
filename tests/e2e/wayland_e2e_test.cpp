// The probe as a Wayland client, with no X display to fall back on: a compositor
// (weston on its X11 back end, drawing its output into a window of the test's X
// server) shows the page at 1x in a window, and at 2x after F11 makes it full
// screen on the 1280 x 960 output; the compositor going away ends the probe with
// status 0. Where no window surface can be had, the probe ends at once with
// status 0 instead of running unseen.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "app_fixture.h"
#include "probe_layout.h"

namespace e2e {
namespace {

constexpr int kOutputWidth = 1280, kOutputHeight = 960;
constexpr uint32_t kFixedRgb = probe::FIXED_COLOUR & 0xFFFFFFu;
constexpr uint32_t kMovingRgb = probe::MOVING_COLOUR & 0xFFFFFFu;

std::string FindProgram(const std::string& name) {
  std::istringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  for (std::string folder; std::getline(path, folder, ':');) {
    const std::string candidate = folder + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// The probe's squares, each page pixel a scale x scale block, anywhere in the picture.
bool PageShown(const Snapshot& s, int scale) {
  const int fixed = probe::FIXED_SIZE * scale, moving = probe::MOVING_SIZE * scale;
  return s.Count({0, 0, s.width, s.height}, kFixedRgb) == fixed * fixed &&
         s.Count({0, 0, s.width, s.height}, kMovingRgb) == moving * moving;
}

class WaylandTest : public AppTest {
 protected:
  void SetUp() override {
    const std::string weston = FindProgram("weston");
    if (weston.empty()) GTEST_SKIP() << "weston is not installed";
    std::string folder = ::testing::TempDir() + "brazdovar-wayland-XXXXXX";
    ASSERT_NE(mkdtemp(folder.data()), nullptr);  // mode 0700, as a runtime folder must be
    runtimeDir_ = folder;
    setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);
    socket_ = "brazdovar-" + std::to_string(getpid());
    Launch(weston, runtimeDir_, "Weston Compositor - screen0",
           [](const Snapshot& s) { return s.width == kOutputWidth && s.height == kOutputHeight; },
           {"--backend=x11-backend.so", "--socket=" + socket_, "--use-pixman", "--no-config",
            "--idle-time=0", "--width=" + std::to_string(kOutputWidth),
            "--height=" + std::to_string(kOutputHeight)},
           runtimeDir_ + "/weston.log");
    if (HasFatalFailure()) return;
    // The compositor's window takes the keys, and the pointer is in it, before the
    // probe starts: focus given as a key is pressed was seen to lose the key.
    x_.Focus(window_);
  }

  void TearDown() override {
    probe_.reset();
    child_.reset();
    if (!runtimeDir_.empty()) std::filesystem::remove_all(runtimeDir_);
  }

  // Starts the probe with DISPLAY unset and WAYLAND_DISPLAY naming the compositor,
  // `name=value` pairs added to its environment.
  void StartProbe(const std::vector<std::pair<std::string, std::string>>& extra = {}) {
    const std::string display = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    setenv("WAYLAND_DISPLAY", socket_.c_str(), 1);
    for (const auto& [name, value] : extra) setenv(name.c_str(), value.c_str(), 1);
    probe_.emplace(E2E_PROBE_PATH, runtimeDir_, std::vector<std::string>{},
                   runtimeDir_ + "/probe.log");
    for (const auto& [name, value] : extra) unsetenv(name.c_str());
    unsetenv("WAYLAND_DISPLAY");
    setenv("DISPLAY", display.c_str(), 1);
    ASSERT_GT(probe_->pid(), 0);
  }

  std::string runtimeDir_, socket_;
  std::optional<ChildProcess> probe_;
};

TEST_F(WaylandTest, PageShowsWindowedAndScaledFullScreenAndEndsWithTheCompositor) {
  StartProbe();
  ExpectPicture([](const Snapshot& s) { return PageShown(s, 1); }, "the page in a window");
  // Full screen on the output: 2x, centred, so the fixed square lands at twice its place.
  const Rect fixed{probe::FIXED_X * 2, probe::FIXED_Y * 2, probe::FIXED_SIZE * 2,
                   probe::FIXED_SIZE * 2};
  const auto fullScreen = [&](const Snapshot& s) {
    return PageShown(s, 2) && s.Count(fixed, kFixedRgb) == fixed.width * fixed.height;
  };
  { HeldKey f11(x_, XK_F11); }
  ExpectPicture(fullScreen, "the page at 2x, full screen");
  child_->Kill();  // the compositor goes, and the window with it
  e2e::ExpectExitZero(*probe_, "the probe once the compositor was gone");
}

TEST_F(WaylandTest, NoWindowSurfaceEndsTheProbeWithStatusZero) {
  // Asks SDL for the window system's own surface, which Wayland does not have.
  StartProbe({{"SDL_FRAMEBUFFER_ACCELERATION", "0"}});
  e2e::ExpectExitZero(*probe_, "the probe without a window surface");
}

}  // namespace
}  // namespace e2e
