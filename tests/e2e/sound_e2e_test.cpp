// The game's sound with a real window: SDL's disk audio driver writes what would be
// heard, so a shot can be found in it and timed against the frame that shows it;
// --mute writes silence; the dummy driver, no device at all and a device slow to
// open leave the game as it was and silent on stderr. Also prints the audio thread's share of a core in play.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "app_fixture.h"

namespace e2e {
namespace {

constexpr int RATE = 48000;
constexpr int BYTES_PER_FRAME = 2 * sizeof(float);  // stereo floats
constexpr double HEARD = 0.01;                      // a sample above this is sound
const Rect kTopLeftBlock{0, 0, 32, 32};
const Rect kShotPath{340, 226, 150, 24};  // between the bird and green's muzzle

long FramesFor(double seconds) { return std::lround(seconds * RATE); }
double Ms(long frames) { return frames * 1000.0 / RATE; }

// Sets an environment variable (or, given null, removes it) for the guard's
// lifetime; the child inherits it.
class Environment {
 public:
  Environment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~Environment() { Set(old_ ? old_->c_str() : nullptr); }

 private:
  void Set(const char* value) { value != nullptr ? setenv(name_, value, 1) : unsetenv(name_); }
  const char* name_;
  std::optional<std::string> old_;
};

long FramesWritten(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? long(info.st_size / BYTES_PER_FRAME) : 0;
}

std::vector<float> ReadSamples(const std::string& path) {
  const std::string bytes = ReadWhole(path);
  std::vector<float> samples(bytes.size() / sizeof(float));
  std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
  return samples;
}

class SoundTest : public AppTest {
 protected:
  static std::string TempFile(const char* name) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return ::testing::TempDir() + "brazdovar-" + test->name() + "-" + name;
  }

  void LaunchGame(const std::vector<std::string>& arguments = {},
                  const std::string& errorFile = {}) {
    Launch(E2E_GAME_PATH, E2E_ASSETS_DIR, TITLE, IsArena, arguments, errorFile);
  }
  static bool IsArena(const Snapshot& s) { return s.CountNonBlack(kTopLeftBlock) > 0; }
  static bool IsMatchOver(const Snapshot& s) { return s.CountNonBlack(kTopLeftBlock) == 0; }

  void WaitForFrames(const std::string& path, long frames) {
    const auto deadline = std::chrono::steady_clock::now() + PICTURE_TIMEOUT;
    while (FramesWritten(path) < frames && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(10ms);
    }
    ASSERT_GE(FramesWritten(path), frames) << "the disk driver wrote too little";
  }

  // Green fires at the bird from the start, as in the game's own tests, and the
  // match-over screen follows; Esc then ends the game with status 0.
  void ShootTheBirdAndLeave() {
    x_.Focus(window_);
    {
      HeldKey ctrl(x_, XK_Control_L);
      ExpectPicture(IsMatchOver, "the match-over screen");
    }
    HeldKey esc(x_, XK_Escape);
    ExpectExitZero("after Esc");
  }
};

TEST_F(SoundTest, AShotIsWrittenWithin60MsOfTheFrameThatShowsIt) {
  const std::string audio = TempFile("audio.raw");
  Environment driver("SDL_AUDIODRIVER", "disk"), file("SDL_DISKAUDIOFILE", audio.c_str());
  LaunchGame();
  if (HasFatalFailure() || IsSkipped()) return;
  const Snapshot before = ExpectPicture(IsArena, "the arena");
  // Past the start tone; the tanks stand, so their engines are silent.
  WaitForFrames(audio, FramesFor(0.8));
  if (HasFatalFailure()) return;
  const long quietUntil = FramesWritten(audio);
  x_.Focus(window_);
  HeldKey ctrl(x_, XK_Control_L);
  bool shown = false;
  WaitForPicture(
      [&](const Snapshot& s) {
        for (int y = kShotPath.y; y < kShotPath.y + kShotPath.height; ++y) {
          for (int x = kShotPath.x; x < kShotPath.x + kShotPath.width; ++x) {
            if (s.At(x, y) != before.At(x, y)) return true;
          }
        }
        return false;
      },
      PICTURE_TIMEOUT, &shown);
  const long shownAt = FramesWritten(audio);
  ASSERT_TRUE(shown) << "no shot appeared";
  WaitForFrames(audio, shownAt + FramesFor(0.3));
  if (HasFatalFailure()) return;

  const std::vector<float> samples = ReadSamples(audio);
  long onset = -1;
  for (long frame = FramesFor(0.5); frame * 2 + 1 < long(samples.size()); ++frame) {
    if (std::fabs(samples[2 * frame]) > HEARD || std::fabs(samples[2 * frame + 1]) > HEARD) {
      onset = frame;
      break;
    }
  }
  ASSERT_GE(onset, quietUntil) << "sound before the shot was fired";
  std::cout << "shot written " << Ms(onset - shownAt) << " ms from the frame that shows it\n";
  EXPECT_LE(std::fabs(Ms(onset - shownAt)), 60.0)
      << "onset at " << Ms(onset) << " ms, shot seen at " << Ms(shownAt) << " ms of audio";
  std::filesystem::remove(audio);
}

TEST_F(SoundTest, MutedTheGameWritesSilenceAndPlaysAsBefore) {
  const std::string audio = TempFile("audio.raw");
  Environment driver("SDL_AUDIODRIVER", "disk"), file("SDL_DISKAUDIOFILE", audio.c_str());
  LaunchGame({"--mute"});
  if (HasFatalFailure() || IsSkipped()) return;
  ShootTheBirdAndLeave();
  const std::vector<float> samples = ReadSamples(audio);
  EXPECT_GT(samples.size(), size_t(FramesFor(0.3)) * 2) << "the device ran";
  float peak = 0.0f;
  for (float s : samples) peak = std::max(peak, std::fabs(s));
  EXPECT_EQ(peak, 0.0f) << "no start tone, no shot, no cry";
  std::filesystem::remove(audio);
}

// The disk driver's file is a FIFO nobody reads, so opening the device blocks for
// good: the window, the match and the exit must not wait for it.
TEST_F(SoundTest, TheGameDoesNotWaitForTheSoundDevice) {
  const std::string fifo = TempFile("device.fifo");
  std::filesystem::remove(fifo);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Environment driver("SDL_AUDIODRIVER", "disk"), file("SDL_DISKAUDIOFILE", fifo.c_str());
  LaunchGame();
  if (HasFatalFailure() || IsSkipped()) return;
  ShootTheBirdAndLeave();
  std::filesystem::remove(fifo);
}

// utime + stime of the thread whose name starts with `prefix`, in clock ticks.
std::optional<long> ThreadTicks(pid_t pid, const std::string& prefix) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    if (ReadWhole(task.path() / "comm").rfind(prefix, 0) != 0) continue;
    const std::string stat = ReadWhole(task.path() / "stat");
    const size_t end = stat.rfind(')');
    if (end == std::string::npos) return std::nullopt;
    std::istringstream fields(stat.substr(end + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 14) utime = std::stol(field);
      if (i == 15) stime = std::stol(field);
    }
    return utime + stime;
  }
  return std::nullopt;
}

// SDL's dummy driver, a driver that does not exist, and SDL's own choice (on a
// test machine without a sound card: every real driver fails, and ALSA's library
// would say so on stderr).
TEST_F(SoundTest, DummyDriverAndNoDeviceLeaveTheGameAsItWasAndSilentOnStderr) {
  for (const char* name : {"dummy", "no-such-driver", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(name != nullptr ? name : "SDL's choice");
    const std::string errors = TempFile("stderr.txt");
    Environment driver("SDL_AUDIODRIVER", name);
    LaunchGame({}, errors);
    if (HasFatalFailure() || IsSkipped()) return;
    if (name != nullptr && std::string(name) == "dummy") {
      // Both tanks drive in circles with their engines running: a measurement,
      // printed, not judged (the audio thread's share of one core). Then the
      // window is closed, as a player would.
      {
        x_.Focus(window_);
        HeldKey up(x_, XK_Up), left(x_, XK_Left), r(x_, XK_r), d(x_, XK_d);
        const auto first = ThreadTicks(child_->pid(), "SDLAudio");
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(4s);
        const auto last = ThreadTicks(child_->pid(), "SDLAudio");
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        ASSERT_TRUE(first && last) << "no audio thread";
        std::cout << "audio thread in play: "
                  << 100.0 * double(*last - *first) / sysconf(_SC_CLK_TCK) / elapsed.count()
                  << " % of a core\n";
      }
      ASSERT_TRUE(x_.SendCloseRequest(window_));
      ExpectExitZero("after a close request");
    } else {
      ShootTheBirdAndLeave();
    }
    EXPECT_EQ(ReadWhole(errors), "");
    std::filesystem::remove(errors);
  }
}

}  // namespace
}  // namespace e2e
