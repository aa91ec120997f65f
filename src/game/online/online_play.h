// Online play in the game window: joins the rollback session (session.h) to the
// transport, the frame clock, the drawing, the sound and the observers.
//
//   std::string error = game::online::StartOnline({true, {"", 27455}, 2});
//   if (!error.empty()) ... the port is taken, the name unknown, an IPv6 address ...
//   game::RunProgram(game::online::OnlineStep);
//
// The host drives green, the joiner blue; the local player's tank answers either
// key set (and the pads). Until the other player is there the page says whom it
// waits for. Only confirmed frame steps reach the observers, the sound's shots and
// match ends, and the recording, so both sides report and record the same. The
// match-over screen shows the running score; Space on either side starts the next
// match on both, Esc or closing the window on either ends the session. A
// departure, a lost connection or a desync is said on the page; the program then
// ends (status 0 for the first two, 1 for a desync, a refusal or a failed
// connection).
#pragma once
#include <cstdint>
#include <string>

#include "game/online/session.h"
#include "net/transport.h"

namespace game::online {

struct OnlineOptions {
  bool host = false;       // else join
  net::Endpoint endpoint;  // host: the local port; join: where the host is
  uint32_t inputDelay = 0;
};

// What the session did, for brazdovar-sim's last line.
struct NetSummary {
  SessionStats stats;
  uint32_t inputDelay = 0;
  uint32_t roundTripMs = 0;
  net::TrafficCounts traffic;
  uint32_t desyncs = 0;
};

// Opens the transport (listening, or starting to connect). Empty on success,
// else one line saying why not. Call before RunProgram(OnlineStep).
std::string StartOnline(const OnlineOptions& options);

// The port the host listens on (as bound: a port 0 asked for picks one).
uint16_t ListeningPort();

// Called once when the session ends, before the observers hear of the program's end.
void SetSummaryListener(void (*listener)(const NetSummary& summary));

// The first match has begun (both players are there). Any thread.
bool SessionStarted();

// Leave at the next frame step, as if Esc were pressed (a script that ran out).
// Any thread.
void RequestLeave();

// The frame routine of online play.
void OnlineStep();

// The window was closed: leaves as Esc does (the other side is told at once
// rather than waiting out the silence) and ends the program. Call once the
// frame clock has stopped for good (game::RunProgram's windowClosed).
[[noreturn]] void WindowClosed();

}  // namespace game::online
