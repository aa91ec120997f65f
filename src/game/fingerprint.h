// src/game/fingerprint.h
#pragma once
#include <string>
namespace game {
// 16 lower-case hex digits naming the rules as this build plays them.
std::string RulesFingerprint();
}  // namespace game
