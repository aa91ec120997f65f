// Gamepads: SDL's pads opened and closed, and each pad's buttons and axes to keys.
#include "display/platform/sdl/gamepads.h"

#include <algorithm>

namespace display::platform {

namespace {

// Set-1 codes of each tank's controls: turn left, turn right, accelerate, brake, fire.
constexpr uint8_t kPlayerKeys[2][5] = {{75, 77, 72, 80, 29}, {32, 34, 19, 33, 30}};
constexpr uint8_t kSpaceCode = 57, kEscCode = 1;

// A quarter of the stick's travel, a third of the trigger's.
constexpr Sint16 kStickDeadZone = 8192;
constexpr Sint16 kTriggerPoint = 10923;

PadControls ReadControls(SDL_GameController* pad) {
  const auto button = [pad](SDL_GameControllerButton b) {
    return SDL_GameControllerGetButton(pad, b) != 0;
  };
  const auto axis = [pad](SDL_GameControllerAxis a) { return SDL_GameControllerGetAxis(pad, a); };
  PadControls c;
  c.left =
      button(SDL_CONTROLLER_BUTTON_DPAD_LEFT) || axis(SDL_CONTROLLER_AXIS_LEFTX) < -kStickDeadZone;
  c.right =
      button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT) || axis(SDL_CONTROLLER_AXIS_LEFTX) > kStickDeadZone;
  c.accelerate =
      button(SDL_CONTROLLER_BUTTON_A) || axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT) > kTriggerPoint;
  c.brake =
      button(SDL_CONTROLLER_BUTTON_B) || axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT) > kTriggerPoint;
  c.fire = button(SDL_CONTROLLER_BUTTON_X) || button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
  c.start = button(SDL_CONTROLLER_BUTTON_START);
  c.back = button(SDL_CONTROLLER_BUTTON_BACK);
  return c;
}

}  // namespace

void FoldPadControls(const PadControls& c, int player, uint8_t table[KEY_TABLE_SIZE]) {
  if (player < 0 || player > 1) return;
  const uint8_t* keys = kPlayerKeys[player];
  const bool held[5] = {c.left, c.right, c.accelerate, c.brake, c.fire};
  for (int i = 0; i < 5; ++i) table[keys[i]] |= uint8_t(held[i]);
  table[kSpaceCode] |= uint8_t(c.start);
  table[kEscCode] |= uint8_t(c.back);
}

bool Gamepads::Start() {
  if (started_) return true;
  started_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  seats_ = PadAssignment(PadKeySets());
  // Pads already connected arrive as device-added events on the next poll.
  return started_;
}

void Gamepads::Stop() {
  if (!started_) return;
  for (const Pad& pad : pads_) SDL_GameControllerClose(pad.controller);
  pads_.clear();
  seats_ = PadAssignment(0);
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  started_ = false;
}

void Gamepads::HandleEvent(const SDL_Event& event) {
  if (!started_) return;
  switch (event.type) {
    // A joystick whose mapping is added after it was connected becomes a pad too.
    case SDL_JOYDEVICEADDED:
    case SDL_CONTROLLERDEVICEADDED:
      Open(event.cdevice.which);
      break;
    case SDL_CONTROLLERDEVICEREMAPPED:
      break;
    case SDL_JOYDEVICEREMOVED:
    case SDL_CONTROLLERDEVICEREMOVED:
      Close(event.cdevice.which);
      break;
    default:
      break;
  }
}

void Gamepads::Open(int deviceIndex) {
  if (!SDL_IsGameController(deviceIndex)) return;
  const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
  if (id < 0 ||
      std::any_of(pads_.begin(), pads_.end(), [id](const Pad& p) { return p.id == id; })) {
    return;
  }
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (controller == nullptr) return;
  pads_.push_back({controller, id});
  seats_.Add(id);
}

void Gamepads::Close(SDL_JoystickID id) {
  const auto pad =
      std::find_if(pads_.begin(), pads_.end(), [id](const Pad& p) { return p.id == id; });
  if (pad == pads_.end()) return;
  SDL_GameControllerClose(pad->controller);
  pads_.erase(pad);
  seats_.Remove(id);
}

void Gamepads::Fold(uint8_t table[KEY_TABLE_SIZE]) const {
  for (const Pad& pad : pads_) {
    const int keySet = seats_.KeySetOf(pad.id);
    if (keySet >= 0) FoldPadControls(ReadControls(pad.controller), keySet, table);
  }
}

}  // namespace display::platform
