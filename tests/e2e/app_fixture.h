// The fixture every end-to-end test starts from: the program under test running
// on the X server in $DISPLAY, its window found by title and showing a first
// picture. The program is killed when the test ends, pass or fail. Its settings
// and state files are the test's own.
//
// The window is looked up again whenever it cannot be read: SDL may replace its
// first X window with a new one (for an accelerated framebuffer) just after
// creating it, and both carry the title.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "x_session.h"

namespace e2e {

using namespace std::chrono_literals;

// Generous for a loaded 2-core machine: each wait ends as soon as its condition
// holds, so the limits cost nothing when things go well.
inline constexpr auto START_TIMEOUT = 20s;
inline constexpr auto PICTURE_TIMEOUT = 10s;
inline constexpr auto EXIT_TIMEOUT = 10s;

// The game's window title and page size.
inline constexpr const char* TITLE = "Brazdovar - DEATHMATCH | 2 igraca";
inline constexpr int WIDTH = 640, HEIGHT = 480;

using PictureTest = std::function<bool(const Snapshot&)>;

// Points the game's settings and state folders (XDG_CONFIG_HOME, XDG_STATE_HOME)
// into a fresh folder of the running test's own, so that no test reads or writes
// the developer's ~/.config or ~/.local/state, nor what an earlier test left.
// Returns the folder; the programs the test starts inherit the two variables.
inline std::string FreshSettingsHome() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string home =
      ::testing::TempDir() + "xdg-" + test->test_suite_name() + "." + test->name();
  std::filesystem::remove_all(home);
  setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
  return home;
}

// A file's whole content; empty if it cannot be read.
inline std::string ReadWhole(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// Expects `program` to end with status 0 within `timeout`; `after` says what ended it.
inline void ExpectExitZero(ChildProcess& program, const std::string& after,
                           std::chrono::milliseconds timeout = EXIT_TIMEOUT) {
  const auto status = program.WaitForExit(timeout);
  EXPECT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
      << after << ": the program " << DescribeStatus(status);
}

// A directory of the test's own, removed with everything in it when the test ends.
class TemporaryDirectory {
 public:
  TemporaryDirectory() : path_(::testing::TempDir() + "brazdovar-e2e-XXXXXX") {
    if (mkdtemp(path_.data()) == nullptr) path_.clear();
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class AppTest : public ::testing::Test {
 protected:
  AppTest() : settingsHome_(FreshSettingsHome()) {}
  ~AppTest() override { std::filesystem::remove_all(settingsHome_); }

  // Starts `program` in `workingDirectory` (with `arguments`, standard error into
  // `errorFile` if named) and waits for its window titled `title` to show a
  // picture that `ready` accepts.
  void Launch(const std::string& program, const std::string& workingDirectory,
              const std::string& title, const PictureTest& ready,
              const std::vector<std::string>& arguments = {}, const std::string& errorFile = {}) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no X server: run under xvfb-run";
    ASSERT_TRUE(x_.ok()) << "cannot connect to the X server in DISPLAY=" << display;
    ASSERT_TRUE(x_.HasXTest()) << "the X server lacks the XTEST extension";
    x_.ReleaseAllKeys();
    title_ = title;
    child_.emplace(program, workingDirectory, arguments, errorFile);
    ASSERT_GT(child_->pid(), 0) << "could not start " << program;
    window_ = x_.FindWindow(title, child_->pid(), START_TIMEOUT);
    ASSERT_NE(window_, 0u) << "no window titled \"" << title << "\"; the program "
                           << DescribeStatus(child_->WaitForExit(0ms));
    bool shown = false;
    const auto first = WaitForPicture(ready, START_TIMEOUT, &shown);
    ASSERT_TRUE(shown) << "the window never showed its first picture" << Saved(first);
  }

  // Captures the window until `accept` holds or the timeout passes; the last
  // capture either way (nullopt if none could be made), `accepted` says which.
  std::optional<Snapshot> WaitForPicture(const PictureTest& accept,
                                         std::chrono::milliseconds timeout, bool* accepted) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::optional<Snapshot> last;
    *accepted = false;
    for (;;) {
      if (auto snapshot = x_.Capture(window_)) {
        last = std::move(snapshot);
        if (accept(*last)) {
          *accepted = true;
          return last;
        }
      } else if (Window again = x_.FindWindow(title_, child_->pid(), 0ms); again != 0) {
        window_ = again;  // looked at again on the next round, within the deadline
      }
      if (std::chrono::steady_clock::now() >= deadline) return last;
      std::this_thread::sleep_for(10ms);
    }
  }

  // Waits for a picture that `accept` takes; fails the test with `what` if none comes.
  Snapshot ExpectPicture(const PictureTest& accept, const char* what) {
    bool accepted = false;
    auto snapshot = WaitForPicture(accept, PICTURE_TIMEOUT, &accepted);
    EXPECT_TRUE(accepted) << "timed out waiting for " << what << Saved(snapshot);
    return snapshot ? *snapshot : Snapshot{};
  }

  // Expects the program to end with status 0 within `timeout`; `after` says what ended it.
  void ExpectExitZero(const std::string& after, std::chrono::milliseconds timeout = EXIT_TIMEOUT) {
    e2e::ExpectExitZero(*child_, after, timeout);
  }

  // Saves the last picture of a failed wait beside the test's temporary files and
  // says where, or that there was none.
  static std::string Saved(const std::optional<Snapshot>& snapshot) {
    if (!snapshot) return "; no picture could be read";
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string path =
        ::testing::TempDir() + test->test_suite_name() + "." + test->name() + ".ppm";
    return snapshot->SavePpm(path) ? "; last picture saved to " + path : "";
  }

  const std::string settingsHome_;  // the game's XDG_CONFIG_HOME and XDG_STATE_HOME are in it
  XSession x_;
  std::optional<ChildProcess> child_;
  std::string title_;
  Window window_ = 0;
};

}  // namespace e2e
