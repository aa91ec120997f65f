// The game program: a two-player tank duel. Takes no arguments, prints nothing,
// exits with status 0.
#include "game/startup.h"

int main() { game::RunProgram(); }
