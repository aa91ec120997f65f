// A session being recorded: the keys of every frame step kept in memory as runs,
// the match ends and new matches, and the text of the replay so far.
//
//   game::replay::Recorder recorder(header);      // gameVersion, rules, when, computers
//   recorder.FrameStep(keysHeld);                  // at the end of every frame step
//   recorder.MatchDecided(game::BLUE_WINS);
//   std::string error = recorder.Save("session.replay");   // empty when written
//
// Every call may come from any thread (frame steps run on fresh workers; the
// program's end on another): one small lock guards the record. A frame step only
// counts or appends a run, so recording costs it nothing measurable.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>

#include "game/replay/replay_format.h"

namespace game::replay {

class Recorder {
 public:
  // `header` gives everything but the matches and the ending.
  explicit Recorder(Replay header);

  // keysHeld as the game observer gives them: green's TankKey bits, blue's << 5.
  void FrameStep(uint32_t keysHeld);
  void MatchDecided(int32_t winner);
  void NewMatch();
  // The session ended: at the match-over screen if the last match was decided
  // (recorded as leave), else in the middle of a match (stop). Later calls change nothing.
  void SessionEnded();
  // As SessionEnded, but always a stop (a script that ran out at the match-over screen).
  void Stopped();

  // True once a frame step has been recorded: a session without one has nothing to keep.
  bool HasFrames() const;
  std::string Text() const;
  // Writes the text to the file (replacing it); the reason when it could not.
  std::string Save(const std::string& path) const;

 private:
  mutable std::mutex mutex_;
  Replay replay_;
};

}  // namespace game::replay
