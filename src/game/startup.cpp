// The program's start-up sequence and the preparation of the sprites.
#include "game/startup.h"

#include <cfenv>

#include "clock/frame_clock.h"
#include "display/blit.h"
#include "display/screen.h"
#include "game/frame_step.h"
#include "game/observer.h"
#include "game/sound_cues.h"
#include "game/sprite_files.h"
#include "imageio/load_image.h"

namespace game {
namespace {

constexpr char TITLE[] = "Brazdovar - DEATHMATCH | 2 igraca";
constexpr float TANK_PICTURE_OFFSET = 8.0f;

display::Image* CreateFrameImage() {
  return display::CreateImage(TANK_FRAME_SIZE, TANK_FRAME_SIZE, 0, 0,
                              display::DEFAULT_COLOUR_FLAG);
}

}  // namespace

display::Image* LoadSprite(const char* name) {
  return imageio::LoadImage(SpritePath(name).c_str());
}

display::Image* PrepareTankFrame(const char* fileName) {
  display::Image* picture = LoadSprite(fileName);
  display::Image* frame = CreateFrameImage();
  display::PutImage(frame, TANK_PICTURE_OFFSET, TANK_PICTURE_OFFSET, picture,
                    display::ARG_DEFAULT, 0, 0, 0, 0, 0, display::PutTransparent);
  display::DestroyImage(picture);
  return frame;
}

void LoadSprites(MatchState& state) {
  state.green.frameA = PrepareTankFrame("tank.bmp");
  state.green.frameB = PrepareTankFrame("tank2.bmp");
  state.blue.frameA = PrepareTankFrame("tank3.bmp");
  state.blue.frameB = PrepareTankFrame("tank4.bmp");
  state.green.turned = CreateFrameImage();
  state.blue.turned = CreateFrameImage();
  state.bird = LoadSprite("ptica.bmp");
  state.block = LoadSprite("blok.bmp");
  state.bullet = LoadSprite("metak.bmp");
  state.green.shots = {};
  state.blue.shots = {};
}

void RunProgram(frameclock::FrameRoutine step, void (*windowClosed)()) {
  // The game's arithmetic assumes round-to-nearest.
  std::fesetround(FE_TONEAREST);
  frameclock::OpenGameWindow(640, 480, 32, 1, 0);
  display::SetWindowTitle(TITLE);
  display::SetMouse(-1, -1, 0, -1);
  StartAskedSound();
  MatchState& state = Match();
  LoadSprites(state);
  ResetMatch(state);
  PostMatchStarted();
  frameclock::RunFrameClock(FRAME_STEP_MS, step);
  if (windowClosed != nullptr) windowClosed();

  // A frame step that began just before the window was destroyed may still be
  // drawing with the images, or may be waiting on the match-over screen, which
  // only ends with the process. Releasing the images here could pull them from
  // under it, so they are left to the end of the process, which follows at once.
  ReportProgramEnding(0);
  display::EndProgram(0);
}

}  // namespace game
