// A close request at every stage of the game's life ends the whole program with
// status 0 within a second: while the sprites load (one of them a named pipe that
// is filled only after the close; the second counts from its last read), during a
// frame step, on the match-over screen and in its one-second pause. Each run is the real start-up in a child process on
// the headless back end with a real window thread.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "display/headless.h"
#include "display/keys.h"
#include "display/platform/window.h"
#include "game/match_state.h"
#include "game/observer.h"
#include "game/startup.h"

namespace game::testing {
namespace {

using namespace std::chrono_literals;

// The child's pipe to the test: one byte just before the second within which the
// game must end starts (sent first, so the child cannot end before sending it).
int g_signal = -1;

void StartTheSecond() {
  const char byte = 1;
  if (write(g_signal, &byte, 1) != 1) std::_Exit(5);
}

void Close() {
  display::headless::PostWindowMessage(display::platform::WM_CLOSE);
}

struct Ending {
  bool signalled = false;  // the child said when the second started
  int status = -1;         // raw wait status, -1 if it still ran after the second
  std::chrono::milliseconds after{0};
};

// Runs the game in a child with `directory` as its working directory; `arrange`
// runs in the child before start-up (it installs observers or starts threads that
// send the close and call StartTheSecond).
Ending RunGame(const std::string& directory, const std::function<void()>& arrange) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    g_signal = fds[1];
    alarm(20);  // never outlive a failed test
    if (chdir(directory.c_str()) != 0) std::_Exit(6);
    display::headless::Select(display::headless::Timing::Real);
    arrange();
    RunProgram();
    std::_Exit(7);  // RunProgram never returns
  }
  close(fds[1]);
  Ending ending;
  char byte = 0;
  // End of file instead of the byte: the child ended before it could send it,
  // which is fine when it ended with status 0 (checked below).
  ending.signalled = read(fds[0], &byte, 1) >= 0;
  close(fds[0]);
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      ending.status = status;
      break;
    }
    if (std::chrono::steady_clock::now() - start > 1s) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      break;
    }
    std::this_thread::sleep_for(2ms);
  }
  ending.after = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  return ending;
}

void ExpectCleanEnd(const Ending& ending) {
  ASSERT_TRUE(ending.signalled) << "the child never sent the close";
  ASSERT_NE(ending.status, -1) << "still running a second after the close";
  EXPECT_TRUE(WIFEXITED(ending.status) && WEXITSTATUS(ending.status) == 0)
      << "wait status " << ending.status;
  EXPECT_LE(ending.after, 1000ms);
}

class CloseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = ::testing::TempDir() + "close_test_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }
  std::string directory_;
};

TEST_F(CloseTest, WhileASpriteReadBlocks) {
  const std::string pipePath = directory_ + "/tank.bmp";
  ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
  std::ifstream sprite(BRAZDOVAR_SOURCE_DIR "/assets/tank.bmp", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(sprite), {}};
  ASSERT_FALSE(bytes.empty());
  ExpectCleanEnd(RunGame(directory_, [&] {
    std::thread([&pipePath, &bytes] {
      const int fd = open(pipePath.c_str(), O_WRONLY);  // returns once the game reads
      Close();
      std::this_thread::sleep_for(300ms);
      StartTheSecond();  // just before the read can end
      if (write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())) std::_Exit(8);
      close(fd);
    }).detach();
  }));
}

TEST_F(CloseTest, DuringTheFirstFrameStep) {
  ExpectCleanEnd(RunGame(directory_, [] {
    static Observer observer;
    observer.frameStepEnded = [](const MatchState&, uint32_t) {
      static std::atomic<bool> sent{false};
      if (sent.exchange(true)) return;
      StartTheSecond();
      Close();
    };
    SetObserver(&observer);
  }));
}

// The first frame step puts the green tank onto the bird; the next decides.
void RunOverTheBird(const MatchState&, uint32_t) {
  static std::atomic<bool> placed{false};
  if (placed.exchange(true)) return;
  MatchState& state = Match();
  state.green.x = 300.0;
  state.green.y = 210.0;
  state.green.speed = 1.0;
}

TEST_F(CloseTest, OnTheMatchOverScreen) {
  ExpectCleanEnd(RunGame(directory_, [] {
    static Observer observer;
    observer.frameStepEnded = RunOverTheBird;
    observer.matchDecided = [](const MatchState&, std::string_view, int32_t) {
      std::thread([] {
        std::this_thread::sleep_for(200ms);  // the screen is up and polling
        StartTheSecond();
        Close();
      }).detach();
    };
    SetObserver(&observer);
  }));
}

TEST_F(CloseTest, DuringThePauseAfterSpace) {
  ExpectCleanEnd(RunGame(directory_, [] {
    static Observer observer;
    observer.frameStepEnded = RunOverTheBird;
    observer.matchDecided = [](const MatchState&, std::string_view, int32_t) {
      display::headless::SetKey(display::KEY_SPACE, true);  // leaves the screen at once
      std::thread([] {
        std::this_thread::sleep_for(300ms);  // within the one-second pause
        StartTheSecond();
        Close();
      }).detach();
    };
    SetObserver(&observer);
  }));
}

}  // namespace
}  // namespace game::testing
