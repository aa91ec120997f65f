// The SDL audio device and its callback, which drains the event queue into the
// mixer and renders one buffer.
#include "audio/output.h"

#include <SDL2/SDL.h>

#include "audio/mixer.h"
#include "audio/synth.h"

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
}

}  // namespace

EventQueue& Events() {
  static EventQueue queue;
  return queue;
}

bool OpenOutput(bool muted) {
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
