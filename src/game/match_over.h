// The match-over screen: the outcome centred in the winner's colour with a white
// edge, the prompt below, and a wait for ESC (leave) or SPACE (new match).
//
//   game::MatchOverChoice choice = game::ShowMatchOver(message, game::GREEN_WINS);
//
// Called by the frame step that decided the match, with the screen lock held and
// the frame clock stopped; it presents its picture and releases the lock. A key
// already down when it starts ends the wait at once; ESC wins over SPACE.
#pragma once
#include <cstdint>
#include <string_view>

namespace game {

enum class MatchOverChoice { NewMatch, Leave };

inline constexpr std::string_view PROMPT =
    "Pritisni SPACE za novu igru ili ESC za izlazak iz programa!";

// winner 1 draws the message in green, any other value in blue.
MatchOverChoice ShowMatchOver(std::string_view message, int32_t winner);

// The match-over picture alone, presented without waiting; `score` (online play:
// the session's running score) is drawn under the message when not empty. Takes
// and releases the screen lock.
void DrawMatchOver(std::string_view message, int32_t winner, std::string_view score);

// A page of white lines centred on the screen (online play's waiting and leaving
// pages), presented without waiting. Takes and releases the screen lock.
void DrawNotice(std::string_view first, std::string_view second = {});

}  // namespace game
