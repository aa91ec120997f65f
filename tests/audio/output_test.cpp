// The output losing its device and finding one again, through SDL's disk driver
// writing to a link: first to /dev/full, where every write fails and the device
// is lost, then to a file.
#include "audio/output.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace audio {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Polls `done` every 10 ms for up to 10 s.
template <typename Condition>
bool Within10s(Condition done) {
  for (auto deadline = std::chrono::steady_clock::now() + 10s; !done();) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

bool HasSound(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  for (size_t i = 0; i + sizeof(float) <= bytes.size(); i += sizeof(float)) {
    float sample;
    std::memcpy(&sample, bytes.data() + i, sizeof sample);
    if (std::fabs(sample) > 0.01f) return true;
  }
  return false;
}

TEST(OutputTest, ALostDeviceIsNotFedAndTheSoundComesBackWithANewOne) {
  const fs::path dir = fs::path(::testing::TempDir()) / "brazdovar-lost-device";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path link = dir / "device", file = dir / "written.raw";
  fs::create_symlink("/dev/full", link);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", link.c_str(), 1);
  StartOutput(false);
  const Event shot{EventType::ShotFired, Source::Green, {}, 0.0f};
  ASSERT_TRUE(Within10s([&] { return !Post(shot); })) << "the lost device is still fed";

  std::ofstream{file};
  fs::create_symlink(file, dir / "next");
  fs::rename(dir / "next", link);
  ASSERT_TRUE(Within10s([&] { return Post(shot) && HasSound(file); })) << "silent for good";
  fs::remove_all(dir);
}

}  // namespace
}  // namespace audio
