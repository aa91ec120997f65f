// The output volume: a gain on everything the mixer renders, set once at
// start-up from the player's settings.
//
//   audio::SetVolume(80);   // percent, before or after StartOutput
#pragma once

namespace audio {

// 0 (silent) to 100 (full, the mixer's own level); values outside are clamped.
void SetVolume(int percent);

// Scales `count` samples by the volume; leaves them untouched at 100.
// Runs on the audio thread: never waits or allocates.
void ApplyVolume(float* samples, int count);

}  // namespace audio
