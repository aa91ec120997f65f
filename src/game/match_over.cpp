// The match-over screen and its wait for the players' choice.
#include "game/match_over.h"

#include "display/keys.h"
#include "display/screen.h"
#include "display/sleep.h"
#include "display/text.h"

namespace game {
namespace {

constexpr int32_t LAST_COLUMN = 639;  // centring uses the last column, not the width
constexpr int32_t CHARACTER_WIDTH = 8;
constexpr float MESSAGE_ROW = 235.0f;
constexpr float SCORE_ROW = 259.0f;
constexpr float PROMPT_ROW = 463.0f;
constexpr uint32_t GREEN_COLOUR = 0xFF00FF00u;
constexpr uint32_t BLUE_COLOUR = 0xFF0000FFu;
constexpr uint32_t WHITE = 0xFFFFFFFFu;
constexpr int32_t POLL_MS = 30;

int32_t CentredColumn(std::string_view text) {
  return (LAST_COLUMN - CHARACTER_WIDTH * static_cast<int32_t>(text.size())) / 2;
}

void Write(float x, float y, std::string_view text, uint32_t colour) {
  display::DrawText(nullptr, x, y, display::TEXT_ABSOLUTE, text, colour);
}

}  // namespace

void DrawMatchOver(std::string_view message, int32_t winner, std::string_view score) {
  display::LockScreen();
  display::ClearScreen(display::ARG_DEFAULT);
  const int32_t x = CentredColumn(message);
  const uint32_t colour = winner == 1 ? GREEN_COLOUR : BLUE_COLOUR;
  // A white copy one pixel to the left gives every stroke a white left edge.
  Write(static_cast<float>(x - 1), MESSAGE_ROW, message, WHITE);
  Write(static_cast<float>(x), MESSAGE_ROW, message, colour);
  if (!score.empty()) Write(static_cast<float>(CentredColumn(score)), SCORE_ROW, score, WHITE);
  Write(static_cast<float>(CentredColumn(PROMPT)), PROMPT_ROW, PROMPT, WHITE);
  display::UnlockScreen(-1, -1);
}

void DrawNotice(std::string_view first, std::string_view second) {
  display::LockScreen();
  display::ClearScreen(display::ARG_DEFAULT);
  Write(static_cast<float>(CentredColumn(first)), MESSAGE_ROW, first, WHITE);
  if (!second.empty()) Write(static_cast<float>(CentredColumn(second)), SCORE_ROW, second, WHITE);
  display::UnlockScreen(-1, -1);
}

MatchOverChoice ShowMatchOver(std::string_view message, int32_t winner) {
  DrawMatchOver(message, winner, {});

  for (;;) {
    if (display::IsKeyDown(display::KEY_ESC) != 0) return MatchOverChoice::Leave;
    if (display::IsKeyDown(display::KEY_SPACE) != 0) return MatchOverChoice::NewMatch;
    display::SleepMs(POLL_MS);
  }
}

}  // namespace game
