// The online frame routine: the handshake while waiting, then a rollback tick per
// 35 ms, the match-over screen shared by both sides, and the session's end.
#include "game/online/online_play.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "clock/frame_clock.h"
#include "display/keys.h"
#include "display/screen.h"
#include "display/sleep.h"
#include "game/draw_arena.h"
#include "game/frame_step.h"
#include "game/key_bindings.h"
#include "game/match_over.h"
#include "game/observer.h"
#include "game/online/handshake.h"
#include "game/sound_cues.h"

namespace game::online {
namespace {

constexpr int32_t POLL_MS = 30;
constexpr int32_t NOTICE_MS = 2000;
constexpr int32_t CLOSING_MS = 1000;

constexpr char PEER_LEFT[] = "Drugi igrac je izasao iz igre.";
constexpr char PEER_LOST[] = "Veza sa drugim igracem je prekinuta.";
constexpr char NO_HOST[] = "Domacin se ne javlja.";
constexpr char NOT_OUR_GAME[] = "Na drugoj strani nije ova igra.";
constexpr char DESYNC[] = "Igre su se razisle, sesija je prekinuta.";
constexpr char REPLAYS_KEPT[] = "Snimci su sacuvani.";

struct Online {
  OnlineOptions options;
  std::unique_ptr<net::Transport> transport;
  std::optional<Session> session;
  uint64_t nonce = 0;
  bool pageDrawn = false;
  std::optional<uint32_t> nextMatchAsked;  // the frame the other side's NextMatch named
  int32_t greenWins = 0;
  int32_t blueWins = 0;
  void (*listener)(const NetSummary&) = nullptr;
  std::atomic<bool> started{false};
  std::atomic<bool> leaveAsked{false};
  uint32_t roundTripMs = 0;  // the last estimate while connected
};
Online online;

bool Down(int32_t key) { return display::IsKeyDown(key) != 0; }

TankSide LocalSide() { return online.options.host ? TankSide::Green : TankSide::Blue; }

// Either key set drives the local tank (the pads press one of them).
uint32_t LocalKeys() {
  return ReadBoundKeys(TankSide::Green) | ReadBoundKeys(TankSide::Blue);
}

void Send(const net::Message& message) {
  const net::Channel channel =
      net::TravelsReliably(message) ? net::Channel::Reliable : net::Channel::Unreliable;
  online.transport->Send(channel, net::Encode(message).span());
}

void SendSessionMessages() {
  for (const net::Message& message : online.session->Outgoing()) Send(message);
  online.transport->Flush();
}

void Service();

// Waits, servicing the connection all the while: ENet answers and pings only
// when serviced, and a side silent for a second would inflate the round trip
// the other side measures (and, near the timeout, be taken for gone).
void Pause(int32_t ms, bool handleMessages) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (handleMessages) {
      Service();
    } else {
      while (online.transport->Service(0).kind != net::TransportEvent::None) {
      }
    }
    display::SleepMs(POLL_MS);
  }
}

[[noreturn]] void Finish(int32_t status) {
  NetSummary summary;
  if (online.session) {
    summary.stats = online.session->Stats();
    summary.desyncs = online.session->Desynced() ? 1 : 0;
  }
  summary.inputDelay = online.options.inputDelay;
  summary.roundTripMs = online.roundTripMs;
  summary.traffic = online.transport->Traffic();
  if (online.listener != nullptr) online.listener(summary);
  ReportProgramEnding(status);
  display::EndProgram(status);
}

// Says why the session ends on the page (and in English on standard error),
// leaves it there a while and ends the program.
[[noreturn]] void EndWithNotice(int32_t status, std::string_view page, std::string_view second,
                                const char* why) {
  frameclock::StopFrameClock();
  std::fprintf(stderr, "brazdovar: %s\n", why);
  DrawNotice(page, second);
  Pause(NOTICE_MS, false);
  Finish(status);
}

// The local player leaves: the other side is told, and the connection closed
// once the message has gone (no wait without a connection).
[[noreturn]] void Leave() {
  frameclock::StopFrameClock();
  if (!online.transport->Connected()) Finish(0);
  Send(net::Leave{});
  online.transport->Close();
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(CLOSING_MS);
  while (std::chrono::steady_clock::now() < until &&
         online.transport->Service(POLL_MS).kind != net::TransportEvent::Closed) {
  }
  Finish(0);
}

[[noreturn]] void Closed(net::CloseReason reason) {
  switch (reason) {
    case net::CloseReason::Left: EndWithNotice(0, PEER_LEFT, {}, "the other player left");
    case net::CloseReason::Busy:
      EndWithNotice(1, RefuseText(net::RefuseReason::HostBusy), {}, "the host has its player");
    case net::CloseReason::Foreign:
      EndWithNotice(1, NOT_OUR_GAME, {}, "the other end is not this game");
    case net::CloseReason::Lost: break;
  }
  if (!online.session) EndWithNotice(1, NO_HOST, {}, "no answer from the other side");
  EndWithNotice(0, PEER_LOST, {}, "the other player is gone (no answer for 3 s)");
}

void BeginSession() {
  online.session.emplace(LocalSide(), online.options.inputDelay, Match());
  online.started = true;
}

void Handshake(const net::Hello& hello) {
  if (!online.options.host || online.session) return;
  if (const std::optional<net::RefuseReason> reason = Judge(hello)) {
    Send(net::Refuse{*reason});
    online.transport->Flush();
    EndWithNotice(1, RefuseText(*reason), {}, "refused a player whose game differs");
  }
  Send(net::Welcome{hello.nonce, static_cast<uint8_t>(online.options.inputDelay), 0});
  online.transport->Flush();
  BeginSession();
}

void Handle(const net::Message& message) {
  if (const auto* hello = std::get_if<net::Hello>(&message)) return Handshake(*hello);
  if (const auto* welcome = std::get_if<net::Welcome>(&message)) {
    if (!online.options.host && !online.session && welcome->nonce == online.nonce) {
      BeginSession();
    }
    return;
  }
  if (const auto* refuse = std::get_if<net::Refuse>(&message)) {
    if (online.options.host) return;
    EndWithNotice(1, RefuseText(refuse->reason), {}, "the host refused: its game differs");
  }
  if (std::holds_alternative<net::Leave>(message)) {
    EndWithNotice(0, PEER_LEFT, {}, "the other player left");
  }
  if (!online.session) return;
  Session& session = *online.session;
  if (const auto* input = std::get_if<net::Input>(&message)) session.Receive(*input);
  if (const auto* check = std::get_if<net::Checksum>(&message)) session.Receive(*check);
  if (const auto* timing = std::get_if<net::Timing>(&message)) {
    online.roundTripMs = online.transport->RoundTripMs();
    session.Receive(*timing, online.roundTripMs);
  }
  if (const auto* next = std::get_if<net::NextMatch>(&message)) online.nextMatchAsked = next->frame;
}

// Takes in everything that has arrived; ends the program on a closed connection
// or a message that ends the session.
void Service() {
  for (;;) {
    net::TransportEvent event = online.transport->Service(0);
    switch (event.kind) {
      case net::TransportEvent::None: return;
      case net::TransportEvent::Closed: Closed(event.reason);
      case net::TransportEvent::Connected:
        if (!online.options.host) Send(OurHello(online.nonce));
        break;
      case net::TransportEvent::Received: {
        const net::DecodeResult decoded = net::Decode(event.data);
        if (decoded.message) Handle(*decoded.message);
        break;
      }
    }
  }
}

std::string ScoreLine() {
  return "Zeleni " + std::to_string(online.greenWins) + " : " + std::to_string(online.blueWins) +
         " Plavi";
}

// The shared match-over screen: runs on the deciding tick's worker with the
// clock stopped until either side asks for the next match (or leaves).
void MatchOver(const ConfirmedStep& deciding) {
  const Outcome& outcome = *deciding.outcome;
  Session& session = *online.session;
  ReportMatchDecided(deciding.after, outcome.message, outcome.winner);
  PostMatchEnded(outcome.how, deciding.after, outcome.winner == BLUE_WINS);
  ++(outcome.winner == GREEN_WINS ? online.greenWins : online.blueWins);
  frameclock::StopFrameClock();
  DrawMatchOver(outcome.message, outcome.winner, ScoreLine());
  bool asked = false;
  for (;;) {
    Service();
    if (online.leaveAsked || Down(display::KEY_ESC)) Leave();
    if (!asked && Down(display::KEY_SPACE)) {
      Send(net::NextMatch{session.NextMatchFrame()});
      asked = true;
    }
    // The other side asked once it had every key of the match; a side that asks
    // starts once its own keys have all arrived there.
    if (online.nextMatchAsked == session.NextMatchFrame()) break;
    if (asked && session.AllKeysDelivered()) break;
    SendSessionMessages();
    display::SleepMs(POLL_MS);
  }
  online.nextMatchAsked.reset();
  session.StartMatch();
  Pause(PAUSE_AFTER_MATCH_MS, true);
  NotifyNewMatch();
  PostMatchStarted();
  ReportNewMatch(session.Newest());
  frameclock::RestartFrameClock(FRAME_STEP_MS);
}

void Report(const ConfirmedStep& step) {
  ReportFrameStepEnded(step.after, step.greenKeys | step.blueKeys << 5);
  StepResult fired;
  fired.greenFired = step.greenFired;
  fired.blueFired = step.blueFired;
  PostShotsFired(fired);
}

void WaitForPlayer() {
  if (online.leaveAsked || Down(display::KEY_ESC)) Leave();
  if (online.pageDrawn) return;
  online.pageDrawn = true;
  const std::string port = std::to_string(online.options.endpoint.port);
  if (online.options.host) {
    DrawNotice("Cekam drugog igraca na portu " + port + "...");
  } else {
    DrawNotice("Povezujem se sa " + online.options.endpoint.host + " na portu " + port + "...");
  }
}

void PlayTick() {
  Session& session = *online.session;
  if (online.leaveAsked || Down(display::KEY_ESC)) Leave();
  session.Tick(LocalKeys());
  std::optional<ConfirmedStep> deciding;
  for (const ConfirmedStep& step : session.TakeConfirmed()) {
    Report(step);
    if (step.outcome != nullptr) deciding = step;
  }
  SendSessionMessages();
  if (session.Desynced()) {
    EndWithNotice(1, DESYNC, REPLAYS_KEPT, "desync: the two games differ; the session ends");
  }
  display::LockScreen();
  display::ClearScreen(display::ARG_DEFAULT);
  DrawArena(session.Newest(), session.NewestResult());
  PostFrameSounds(session.Newest());
  display::UnlockScreen(-1, -1);
  if (deciding) MatchOver(*deciding);
}

}  // namespace

std::string StartOnline(const OnlineOptions& options) {
  online.options = options;
  online.options.inputDelay = std::min<uint32_t>(options.inputDelay, net::MAX_INPUT_DELAY);
  std::random_device entropy;
  online.nonce = (static_cast<uint64_t>(entropy()) << 32) | entropy();
  std::string error;
  online.transport = options.host ? net::Transport::Host(options.endpoint, &error)
                                  : net::Transport::Join(options.endpoint, &error);
  if (online.transport && options.host) online.options.endpoint.port = online.transport->Port();
  return online.transport ? std::string() : error;
}

uint16_t ListeningPort() { return online.options.endpoint.port; }

void SetSummaryListener(void (*listener)(const NetSummary& summary)) {
  online.listener = listener;
}

bool SessionStarted() { return online.started; }

void RequestLeave() { online.leaveAsked = true; }

void OnlineStep() {
  Service();
  if (!online.session) {
    WaitForPlayer();
    return;
  }
  PlayTick();
}

void WindowClosed() {
  // A frame step may still run. Asked to leave, one on the match-over screen
  // leaves there (and ends the program); any other returns within its tick or
  // its pause, and the leaving is done here.
  online.leaveAsked = true;
  frameclock::WaitForFrameStep();
  Leave();
}

}  // namespace game::online
