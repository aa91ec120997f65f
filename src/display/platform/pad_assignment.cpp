// Gamepads to key sets: connection order, waiting pads, hand-over on removal.
#include "display/platform/pad_assignment.h"

#include <algorithm>

namespace display::platform {

void PadAssignment::Add(int32_t id) {
  if (std::any_of(pads_.begin(), pads_.end(), [id](const Pad& p) { return p.id == id; })) return;
  pads_.push_back({id, FreeKeySet()});
}

void PadAssignment::Remove(int32_t id) {
  const auto pad =
      std::find_if(pads_.begin(), pads_.end(), [id](const Pad& p) { return p.id == id; });
  if (pad == pads_.end()) return;
  const int freed = pad->keySet;
  pads_.erase(pad);
  // The longest-waiting pad takes the set that came free.
  const auto waiting =
      std::find_if(pads_.begin(), pads_.end(), [](const Pad& p) { return p.keySet < 0; });
  if (freed >= 0 && waiting != pads_.end()) waiting->keySet = freed;
}

int PadAssignment::KeySetOf(int32_t id) const {
  const auto pad =
      std::find_if(pads_.begin(), pads_.end(), [id](const Pad& p) { return p.id == id; });
  return pad == pads_.end() ? -1 : pad->keySet;
}

int PadAssignment::FreeKeySet() const {
  for (int set = 0; set < 2; ++set) {
    if ((allowed_ & (1u << set)) == 0) continue;
    if (std::none_of(pads_.begin(), pads_.end(), [set](const Pad& p) { return p.keySet == set; })) {
      return set;
    }
  }
  return -1;
}

}  // namespace display::platform
