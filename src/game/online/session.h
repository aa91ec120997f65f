// One side of an online session as pure logic: local keys and the other side's
// messages go in; the newest (possibly predicted) state to draw, the confirmed
// frame steps and the messages to send come out. No sockets, clocks or drawing,
// so two sessions joined by an in-memory channel can be tested directly.
//
//   game::online::Session session(game::TankSide::Green, inputDelay, startState);
//   session.Receive(input);                 // each Input / Checksum / Timing that came
//   session.Tick(localKeys);                // once per 35 ms tick
//   for (const auto& step : session.TakeConfirmed()) ... report, record, sound ...
//   DrawArena(session.Newest(), session.NewestResult());
//   for (const net::Message& m : session.Outgoing()) send(m);
//
// Frame steps are numbered through the whole session; a match starts at some
// frame and its state is the start position there. A step runs once this side's
// keys for it exist (pressed `inputDelay` ticks before); the other side's keys,
// when not yet known, are predicted as its last known ones. When the real keys
// arrive and differ, the state saved before the first wrong step is restored and
// the steps to now run again, without drawing or sound. A step counts
// (confirmed) once it has run with both sides' real keys; only confirmed steps
// report, sound, record, and decide a match.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "game/key_source.h"
#include "game/match_state.h"
#include "game/rules.h"
#include "net/input_window.h"
#include "net/protocol.h"

namespace game::online {

// Most steps run ahead of the other side's known keys: 24 steps, 840 ms.
inline constexpr uint32_t MAX_PREDICTION = 24;
// Saved states (one per frame step, confirmed one to newest); at least MAX_PREDICTION + 1.
inline constexpr uint32_t STATE_RING = 32;
// Known keys of each side, by frame. Keys further ahead than this are ignored
// (the sender repeats them until they are acknowledged).
inline constexpr uint32_t KEY_RING = 128;
// A new match starts this many frames after the deciding one, beyond any frame
// either side may have sent keys for while it still predicted the old match.
inline constexpr uint32_t NEW_MATCH_GAP = 128;
// A checksum of the confirmed state after every 32nd frame step is compared.
inline constexpr uint32_t CHECKSUM_EVERY = 32;

// A frame step run with both sides' real keys.
struct ConfirmedStep {
  uint32_t frame = 0;
  uint32_t greenKeys = 0;  // TankKey bits as applied
  uint32_t blueKeys = 0;
  MatchState after;        // the state the step left
  const Outcome* outcome = nullptr;
  Shot greenFired{};       // shots fired in the step (active 0: none)
  Shot blueFired{};
};

struct SessionStats {
  uint64_t rollbacks = 0;    // corrections made
  uint32_t maxRollback = 0;  // most frame steps run again in one correction
  uint64_t waits = 0;        // ticks held back to let the other side catch up
  uint64_t stalls = 0;       // ticks that could not run a step (keys missing, window full)
};

class Session {
 public:
  Session(TankSide local, uint32_t inputDelay, const MatchState& start, uint32_t startFrame = 0);

  // The other side's keys; frames outside what can be used are ignored.
  void Receive(const net::Input& input);
  // The other side's checksum; a difference from ours for the same frame is a desync.
  void Receive(const net::Checksum& checksum);
  // The other side's current frame, and the round trip to estimate where it is now.
  void Receive(const net::Timing& timing, uint32_t roundTripMs);

  // One tick with the local keys held now (TankKey bits). Corrects what the keys
  // received since the last tick show to be wrong, then runs at most one new step.
  // Returns whether a new step ran.
  bool Tick(uint32_t localKeys);

  // The messages for this tick: the unacknowledged local keys, the timing, and
  // the newest local checksum.
  std::vector<net::Message> Outgoing() const;
  // Confirmed steps since the last call, oldest first.
  std::vector<ConfirmedStep> TakeConfirmed();

  const MatchState& Newest() const { return newest_; }
  const StepResult& NewestResult() const { return newestResult_; }
  uint32_t Frame() const { return now_; }                 // the next step to run
  uint32_t ConfirmedFrame() const { return confirmed_; }  // steps below it are confirmed
  // A confirmed step decided the match; no step runs until StartMatch.
  bool MatchOver() const { return endFrame_.has_value(); }
  // The frame the next match starts at (the same on both sides), once over.
  uint32_t NextMatchFrame() const { return *endFrame_ + 1 + NEW_MATCH_GAP; }
  // Every local key of the decided match has reached the other side.
  bool AllKeysDelivered() const { return window_.FirstUnacknowledged() > *endFrame_; }
  // Sets up the next match at NextMatchFrame() from the start position (keeping
  // the animation counters, as ResetMatch does).
  void StartMatch();
  bool Desynced() const { return desynced_; }
  const SessionStats& Stats() const { return stats_; }

 private:
  struct Keys {
    uint32_t frame = UINT32_MAX;  // which frame this entry holds
    uint8_t keys = 0;
  };
  struct Saved {
    MatchState state;            // before the frame step
    uint8_t remoteUsed = 0;      // the other side's keys the step ran with
    StepResult result;           // what the step reported
  };

  void Begin(const MatchState& start, uint32_t startFrame);
  void PushLocalKeys(uint32_t keys);
  std::optional<uint8_t> RemoteKeys(uint32_t frame) const;
  uint8_t PredictedRemote(uint32_t frame) const;
  void Correct();
  StepResult RunStep(uint32_t frame);
  void Confirm();
  bool ShouldWait();
  void NoteChecksum(uint32_t frame, uint64_t hash, bool local);

  TankSide local_;
  uint32_t inputDelay_;
  uint32_t matchStart_ = 0;
  uint32_t now_ = 0;
  uint32_t confirmed_ = 0;
  uint32_t remoteNext_ = 0;   // the other side's keys are known for every frame below
  uint32_t firstWrong_ = UINT32_MAX;  // earliest step run with keys since found wrong
  std::optional<uint32_t> endFrame_;
  MatchState newest_;
  StepResult newestResult_;
  std::array<Saved, STATE_RING> saved_{};
  std::array<Keys, KEY_RING> localKeys_{};
  std::array<Keys, KEY_RING> remoteKeys_{};
  net::InputSendWindow window_;
  std::vector<ConfirmedStep> confirmedSteps_;
  // Time keeping: where the other side's frame counter stands, as estimated.
  std::optional<double> remoteEstimate_;
  uint32_t ticksSinceWait_ = 0;
  // Checksums of recent checkpoints, ours and theirs, by frame.
  struct Check {
    uint32_t frame = UINT32_MAX;
    uint64_t hash = 0;
  };
  std::array<Check, 8> localChecks_{};
  std::array<Check, 8> remoteChecks_{};
  std::optional<net::Checksum> lastLocalCheck_;
  bool desynced_ = false;
  SessionStats stats_;
};

// A hash of the rules' part of a match state (positions, headings, speeds,
// animation counters and shots; not the images).
uint64_t StateHash(const MatchState& state);

}  // namespace game::online
