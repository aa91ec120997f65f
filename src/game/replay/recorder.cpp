// Recording a session in memory and writing it out.
#include "game/replay/recorder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace game::replay {

Recorder::Recorder(Replay header) : replay_(std::move(header)) {
  replay_.matches.clear();
  replay_.matches.emplace_back();
  replay_.matches.back().runs.reserve(4096);
  replay_.ending = Ending::Open;
}

void Recorder::FrameStep(uint32_t keysHeld) {
  const uint32_t green = keysHeld & TANK_KEY_MASK;
  const uint32_t blue = (keysHeld >> 5) & TANK_KEY_MASK;
  const std::lock_guard<std::mutex> hold(mutex_);
  std::vector<Run>& runs = replay_.matches.back().runs;
  if (!runs.empty() && runs.back().green == green && runs.back().blue == blue) {
    ++runs.back().count;
  } else {
    runs.push_back({1, green, blue});
  }
}

void Recorder::MatchDecided(int32_t winner) {
  const std::lock_guard<std::mutex> hold(mutex_);
  replay_.matches.back().winner = winner;
}

void Recorder::NewMatch() {
  const std::lock_guard<std::mutex> hold(mutex_);
  replay_.matches.emplace_back();
}

void Recorder::SessionEnded() {
  const std::lock_guard<std::mutex> hold(mutex_);
  if (replay_.ending != Ending::Open) return;
  replay_.ending = replay_.matches.back().winner != 0 ? Ending::Leave : Ending::Stop;
}

void Recorder::Stopped() {
  const std::lock_guard<std::mutex> hold(mutex_);
  if (replay_.ending == Ending::Open) replay_.ending = Ending::Stop;
}

bool Recorder::HasFrames() const {
  const std::lock_guard<std::mutex> hold(mutex_);
  return !replay_.matches.front().runs.empty();
}

std::string Recorder::Text() const {
  const std::lock_guard<std::mutex> hold(mutex_);
  return FormatReplay(replay_);
}

std::string Recorder::Save(const std::string& path) const {
  const std::string text = Text();
  FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) return std::strerror(errno);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int savedErrno = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written) return std::strerror(savedErrno);
  if (!closed) return std::strerror(errno);
  return {};
}

}  // namespace game::replay
