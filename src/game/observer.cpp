// The installed game observer.
#include "game/observer.h"

namespace game {
namespace {
const Observer* installed = nullptr;
}

void SetObserver(const Observer* observer) { installed = observer; }
const Observer* CurrentObserver() { return installed; }

}  // namespace game
