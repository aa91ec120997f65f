// The key table reads, the key ring, the key-press flag and the pads' key sets.
#include "display/keys.h"

#include <atomic>

#include "display/screen_state.h"

namespace display {

namespace {

std::atomic<uint32_t> g_padKeySets{PAD_ARROW_KEYS | PAD_LETTER_KEYS};

}  // namespace

void SetPadKeySets(uint32_t sets) { g_padKeySets.store(sets); }
uint32_t PadKeySets() { return g_padKeySets.load(); }

int32_t IsKeyDown(int32_t scanCode) {
  if (scanCode < 0 || scanCode >= KEY_TABLE_SIZE) return 0;
  Screen* screen = CurrentScreen();
  if (screen == nullptr) return 0;
  AutoLock lock(*screen);
  return screen->keyTable[scanCode] != 0 ? -1 : 0;
}

void QueueKey(Screen& screen, uint16_t code) {
  if (screen.keyRingCount == KEY_RING_SIZE) {  // full: drop the oldest
    screen.keyRingStart = (screen.keyRingStart + 1) % KEY_RING_SIZE;
    --screen.keyRingCount;
  }
  screen.keyRing[(screen.keyRingStart + screen.keyRingCount) % KEY_RING_SIZE] = code;
  ++screen.keyRingCount;
  screen.keyPressed.store(true);
}

bool TakeKeyPressFlag(Screen& screen) {
  AutoLock lock(screen);
  return screen.keyPressed.exchange(false);
}

}  // namespace display
