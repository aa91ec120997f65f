// Which gamepad holds which key set, apart from SDL so it can be tested alone.
//
//   PadAssignment seats(PAD_ARROW_KEYS);   // the sets pads may hold
//   seats.Add(id);                         // a pad connected
//   seats.KeySetOf(id);                    // 0 arrows, 1 letters, -1 waiting
//   seats.Remove(id);                      // a pad removed
//
// Pads take the free sets they may hold in connection order; a pad connected
// while none is free waits, and a set that comes free goes to the pad that has
// waited longest.
#pragma once
#include <cstdint>
#include <vector>

namespace display::platform {

class PadAssignment {
 public:
  explicit PadAssignment(uint32_t allowedSets) : allowed_(allowedSets) {}
  void Add(int32_t id);
  void Remove(int32_t id);
  // The key set the pad holds (0 or 1), -1 while it waits or for an unknown pad.
  int KeySetOf(int32_t id) const;

 private:
  struct Pad {
    int32_t id;
    int keySet;
  };
  int FreeKeySet() const;

  uint32_t allowed_;
  std::vector<Pad> pads_;  // in the order they were connected
};

}  // namespace display::platform
