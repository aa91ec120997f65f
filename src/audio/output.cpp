// The SDL audio device and its callback, which drains the event queue into the
// mixer and renders one buffer.
#include "audio/output.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>

#include "audio/mixer.h"
#include "audio/synth.h"
#include "audio/volume.h"

namespace audio {
namespace {

// Everything the audio thread touches; made once and kept to the end of the process.
struct Output {
  Bank bank = MakeBank();
  Mixer mixer;
  explicit Output(bool muted) : mixer(bank, muted) {}
};

void Fill(void* userdata, Uint8* stream, int length) {
  auto& output = *static_cast<Output*>(userdata);
  Event event;
  while (Events().Pop(event)) output.mixer.Handle(event);
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

}  // namespace

EventQueue& Events() {
  static EventQueue queue;
  return queue;
}

bool OpenOutput(bool muted) {
  SilenceAlsaMessages();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  // Deliberately never freed: the audio thread may run until the process ends.
  auto* output = new Output(muted);
  SDL_AudioSpec wanted{};
  wanted.freq = SAMPLE_RATE;
  wanted.format = AUDIO_F32SYS;
  wanted.channels = CHANNELS;
  wanted.samples = BUFFER_FRAMES;
  wanted.callback = Fill;
  wanted.userdata = output;
  // No changes allowed: SDL converts to whatever the device takes, and the
  // callback always sees 48 kHz stereo floats.
  SDL_AudioSpec obtained{};
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device == 0) {
    delete output;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  SDL_PauseAudioDevice(device, 0);
  return true;
}

}  // namespace audio
