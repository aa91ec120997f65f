// The SDL audio device, its callback, which feeds the mixer and renders one
// buffer, and the thread that keeps a device open.
#include "audio/output.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "audio/feed.h"
#include "audio/mixer.h"
#include "audio/synth.h"
#include "audio/volume.h"

namespace audio {
namespace {

using namespace std::chrono_literals;
using Duration = std::chrono::milliseconds;

constexpr Duration CHECK_PERIOD = 250ms;  // how often the open device is checked
constexpr Duration FIRST_RETRY = 500ms, LAST_RETRY = 16s;

// Everything the audio thread touches; made once and kept to the end of the process.
struct Output {
  Bank bank = MakeBank();
  Mixer mixer;
  std::atomic<int64_t> openedAt{0};  // when the device now playing was opened
  explicit Output(bool muted) : mixer(bank, muted) {}
};

// Whether Post queues: until the output has started it cannot tell, later only
// while a device is open.
std::atomic<bool> draining{true};

void Fill(void* userdata, Uint8* stream, int length) {
  auto& output = *static_cast<Output*>(userdata);
  Feed(output.mixer, Events(), CurrentLevels(), Now(), output.openedAt.load());
  const int frames = length / static_cast<int>(sizeof(float) * CHANNELS);
  output.mixer.Render(reinterpret_cast<float*>(stream), frames);
  ApplyVolume(reinterpret_cast<float*>(stream), frames * CHANNELS);
}

// ALSA's library reports a missing sound card on stderr by default, which would make
// the game speak where it must stay silent. SDL loads that library at run time, so
// the same instance is loaded here first and given a handler that says nothing; the
// handle is kept, so the library and its handler stay for the life of the process.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void SilenceAlsaMessages() {
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
  if (alsa == nullptr) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) {
    set(QuietAlsa);
  }
}

// The default device, playing; 0 when none can be opened.
SDL_AudioDeviceID OpenDevice(Output& output) {
  SDL_AudioSpec wanted{};
  wanted.freq = SAMPLE_RATE;
  wanted.format = AUDIO_F32SYS;
  wanted.channels = CHANNELS;
  wanted.samples = BUFFER_FRAMES;
  wanted.callback = Fill;
  wanted.userdata = &output;
  // No changes allowed: SDL converts to whatever the device takes, and the
  // callback always sees 48 kHz stereo floats.
  SDL_AudioSpec obtained{};
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  // A device opens paused: the callback sees this time from its first buffer on.
  output.openedAt.store(Now());
  if (device != 0) SDL_PauseAudioDevice(device, 0);
  return device;
}

// Waits `period`, or less when the driver lists more or fewer devices than
// `listed` (one was plugged in or out), which it then updates.
void WaitToRetry(Duration period, int& listed) {
  for (Duration waited{0}; waited < period; waited += CHECK_PERIOD) {
    std::this_thread::sleep_for(CHECK_PERIOD);
    const int now = SDL_GetNumAudioDevices(0);
    if (now != listed) {
      listed = now;
      return;
    }
  }
}

// The device keeper's thread, to the end of the process. Every SDL audio call but
// the callback's work is made here.
void KeepDevice(bool muted) {
  // Deliberately never freed: the audio thread may run until the process ends.
  auto* output = new Output(muted);
  SilenceAlsaMessages();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {  // no driver at all: nothing to wait for
    draining.store(false);
    return;
  }
  int listed = SDL_GetNumAudioDevices(0);
  Duration retry = FIRST_RETRY;
  for (;;) {
    const SDL_AudioDeviceID device = OpenDevice(*output);
    draining.store(device != 0);
    if (device == 0) {
      WaitToRetry(retry, listed);
      retry = std::min(retry * 2, LAST_RETRY);
      continue;
    }
    retry = FIRST_RETRY;
    // Lost (unplugged, its server gone), the device stops; its queue would fill
    // and the mix stand still, so it is closed and another one sought.
    while (SDL_GetAudioDeviceStatus(device) != SDL_AUDIO_STOPPED) {
      std::this_thread::sleep_for(CHECK_PERIOD);
    }
    draining.store(false);
    SDL_CloseAudioDevice(device);
    WaitToRetry(FIRST_RETRY, listed);
  }
}

}  // namespace

EventQueue& Events() {
  static EventQueue queue;
  return queue;
}

Levels& CurrentLevels() {
  static Levels levels;
  return levels;
}

bool Post(const Event& event) {
  if (!draining.load(std::memory_order_relaxed)) return false;
  Event stamped = event;
  stamped.postedAt = Now();
  return Events().Push(stamped);
}

void StartOutput(bool muted) {
  CurrentLevels().SetMuted(muted);
  std::thread(KeepDevice, muted).detach();
}

}  // namespace audio
