// The rollback session: keys by frame, saved states, correction and confirmation.
#include "game/online/session.h"

#include <algorithm>
#include <cstring>

#include "game/frame_step.h"

namespace game::online {
namespace {

// The side this many steps ahead of the other's estimated frame holds back a
// tick, at most every third tick, so the clocks come together smoothly.
constexpr double AHEAD_TO_WAIT = 1.5;
constexpr uint32_t TICKS_BETWEEN_WAITS = 3;
// The newest local checksum goes out on every 4th frame until the next replaces it.
constexpr uint32_t CHECKSUM_RESEND = 4;

void Mix(uint64_t& hash, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001B3ull;
  }
}

template <typename T>
void MixValue(uint64_t& hash, T value) {
  Mix(hash, &value, sizeof value);
}

void MixTank(uint64_t& hash, const Tank& tank) {
  MixValue(hash, tank.heading);
  MixValue(hash, tank.animation);
  MixValue(hash, tank.x);
  MixValue(hash, tank.y);
  MixValue(hash, tank.speed);
  for (const Shot& shot : tank.shots) {
    MixValue(hash, shot.x);
    MixValue(hash, shot.y);
    MixValue(hash, shot.heading);
    MixValue(hash, shot.active);
  }
}

}  // namespace

uint64_t StateHash(const MatchState& state) {
  uint64_t hash = 0xCBF29CE484222325ull;
  MixTank(hash, state.green);
  MixTank(hash, state.blue);
  return hash;
}

Session::Session(TankSide local, uint32_t inputDelay, const MatchState& start,
                 uint32_t startFrame)
    : local_(local), inputDelay_(std::min<uint32_t>(inputDelay, net::MAX_INPUT_DELAY)) {
  Begin(start, startFrame);
}

void Session::Begin(const MatchState& start, uint32_t startFrame) {
  matchStart_ = now_ = confirmed_ = remoteNext_ = startFrame;
  firstWrong_ = UINT32_MAX;
  endFrame_.reset();
  newest_ = start;
  newestResult_ = {};
  saved_[startFrame % STATE_RING] = {start, 0, {}};
  localKeys_.fill({});
  remoteKeys_.fill({});
  window_ = net::InputSendWindow(startFrame);
  remoteEstimate_.reset();
  // The first `inputDelay` steps of a match run with no local keys held.
  for (uint32_t i = 0; i < inputDelay_; ++i) {
    window_.Push(0);
    localKeys_[(startFrame + i) % KEY_RING] = {startFrame + i, 0};
  }
}

// As in the local game, the next match keeps the animation counters the last left.
void Session::StartMatch() {
  MatchState next = newest_;
  ResetMatch(next);
  Begin(next, NextMatchFrame());
}

void Session::PushLocalKeys(uint32_t keys) {
  const uint32_t frame = window_.NextFrame();
  if (frame > now_ + inputDelay_) return;  // this tick's keys were taken already
  const uint8_t bits = static_cast<uint8_t>(keys & TANK_KEY_MASK);
  if (window_.Push(bits)) localKeys_[frame % KEY_RING] = {frame, bits};
}

void Session::Receive(const net::Input& input) {
  window_.Acknowledge(input.ack);
  if (MatchOver()) return;
  for (uint32_t i = 0; i < input.count; ++i) {
    const uint32_t frame = input.first + i;
    if (frame < remoteNext_) continue;
    // A gap (nothing sent skips frames), or further ahead than the ring holds.
    if (frame != remoteNext_ || frame >= confirmed_ + KEY_RING) break;
    const uint8_t keys = input.keys[i] & TANK_KEY_MASK;
    remoteKeys_[frame % KEY_RING] = {frame, keys};
    if (frame < now_ && saved_[frame % STATE_RING].remoteUsed != keys) {
      firstWrong_ = std::min(firstWrong_, frame);
    }
    ++remoteNext_;
  }
}

void Session::Receive(const net::Checksum& checksum) {
  if ((checksum.frame + 1) % CHECKSUM_EVERY != 0) return;
  NoteChecksum(checksum.frame, checksum.hash, false);
}

void Session::Receive(const net::Timing& timing, uint32_t roundTripMs) {
  if (timing.frame < matchStart_ || timing.frame > now_ + KEY_RING) return;
  remoteEstimate_ = timing.frame + roundTripMs / 2.0 / FRAME_STEP_MS;
}

void Session::NoteChecksum(uint32_t frame, uint64_t hash, bool local) {
  auto& mine = local ? localChecks_ : remoteChecks_;
  const auto& theirs = local ? remoteChecks_ : localChecks_;
  const size_t index = (frame / CHECKSUM_EVERY) % mine.size();
  mine[index] = {frame, hash};
  if (theirs[index].frame == frame && theirs[index].hash != hash) desynced_ = true;
}

std::optional<uint8_t> Session::RemoteKeys(uint32_t frame) const {
  const Keys& entry = remoteKeys_[frame % KEY_RING];
  if (frame >= remoteNext_ || entry.frame != frame) return std::nullopt;
  return entry.keys;
}

// The other side is taken to hold on to the last keys it is known to hold.
uint8_t Session::PredictedRemote(uint32_t) const {
  if (remoteNext_ == matchStart_) return 0;
  return remoteKeys_[(remoteNext_ - 1) % KEY_RING].keys;
}

StepResult Session::RunStep(uint32_t frame) {
  Saved& saved = saved_[frame % STATE_RING];
  saved.state = newest_;
  saved.remoteUsed = RemoteKeys(frame).value_or(PredictedRemote(frame));
  const uint32_t localKeys = localKeys_[frame % KEY_RING].keys;
  const bool green = local_ == TankSide::Green;
  saved.result = RulesStep(newest_, green ? localKeys : saved.remoteUsed,
                           green ? saved.remoteUsed : localKeys);
  newestResult_ = saved.result;
  return saved.result;
}

// Restores the state before the first step run with wrong keys and runs the
// steps up to now again. A match decided earlier than predicted ends there.
void Session::Correct() {
  if (firstWrong_ == UINT32_MAX) return;
  const uint32_t from = firstWrong_;
  firstWrong_ = UINT32_MAX;
  ++stats_.rollbacks;
  stats_.maxRollback = std::max(stats_.maxRollback, now_ - from);
  newest_ = saved_[from % STATE_RING].state;
  for (uint32_t frame = from; frame < now_; ++frame) {
    if (RunStep(frame).outcome != nullptr) {
      now_ = frame + 1;
      break;
    }
  }
}

void Session::Confirm() {
  while (confirmed_ < now_ && confirmed_ < remoteNext_ && !MatchOver()) {
    const uint32_t frame = confirmed_++;
    const Saved& saved = saved_[frame % STATE_RING];
    ConfirmedStep step;
    step.frame = frame;
    const uint32_t localKeys = localKeys_[frame % KEY_RING].keys;
    const bool green = local_ == TankSide::Green;
    step.greenKeys = green ? localKeys : saved.remoteUsed;
    step.blueKeys = green ? saved.remoteUsed : localKeys;
    step.after = frame + 1 < now_ ? saved_[(frame + 1) % STATE_RING].state : newest_;
    step.outcome = saved.result.outcome;
    step.greenFired = saved.result.greenFired;
    step.blueFired = saved.result.blueFired;
    if ((frame + 1) % CHECKSUM_EVERY == 0) {
      lastLocalCheck_ = net::Checksum{frame, StateHash(step.after)};
      NoteChecksum(frame, lastLocalCheck_->hash, true);
    }
    if (step.outcome != nullptr) endFrame_ = frame;
    confirmedSteps_.push_back(step);
  }
}

bool Session::ShouldWait() {
  ++ticksSinceWait_;
  if (!remoteEstimate_ || now_ - *remoteEstimate_ < AHEAD_TO_WAIT) return false;
  if (ticksSinceWait_ < TICKS_BETWEEN_WAITS) return false;
  ticksSinceWait_ = 0;
  return true;
}

bool Session::Tick(uint32_t localKeys) {
  if (remoteEstimate_) ++*remoteEstimate_;
  if (desynced_ || MatchOver()) return false;
  PushLocalKeys(localKeys);
  Correct();
  Confirm();
  if (MatchOver()) return false;
  const bool decidedAhead =
      now_ > matchStart_ && saved_[(now_ - 1) % STATE_RING].result.outcome != nullptr;
  const Keys& keys = localKeys_[now_ % KEY_RING];
  if (decidedAhead || now_ - confirmed_ >= MAX_PREDICTION ||
      keys.frame != now_) {
    ++stats_.stalls;
    return false;
  }
  if (ShouldWait()) {
    ++stats_.waits;
    return false;
  }
  RunStep(now_++);
  Confirm();
  return true;
}

std::vector<net::Message> Session::Outgoing() const {
  std::vector<net::Message> messages;
  messages.emplace_back(window_.Packet(remoteNext_));
  messages.emplace_back(net::Timing{now_});
  if (lastLocalCheck_ && now_ % CHECKSUM_RESEND == 0) messages.emplace_back(*lastLocalCheck_);
  return messages;
}

std::vector<ConfirmedStep> Session::TakeConfirmed() {
  std::vector<ConfirmedStep> taken;
  taken.swap(confirmedSteps_);
  return taken;
}

}  // namespace game::online
