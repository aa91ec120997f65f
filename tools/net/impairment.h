// What the lag relay does to each datagram: lose it, send it twice, hold it back
// past later ones, and delay each copy. The fates come from std::mt19937_64, whose
// output the standard fixes, and are drawn with the same five numbers per
// datagram whatever the outcome, so a seed gives the same counts on any platform.
#pragma once
#include <cstdint>
#include <random>

namespace netrelay {

struct Impairment {
  uint32_t delayMs = 0;   // every copy waits this long...
  uint32_t jitterMs = 0;  // ...give or take up to this much (never below zero)
  double loss = 0;        // chance that a datagram is dropped
  double duplicate = 0;   // chance that a datagram that is kept goes out twice
  double reorder = 0;     // chance that it is held back until later ones have gone
};

struct Fate {
  bool dropped = false;
  bool duplicated = false;
  bool reordered = false;
  uint32_t delayMs[2] = {0, 0};  // of the copy and of its duplicate
};

class ImpairmentDice {
 public:
  ImpairmentDice(const Impairment& impairment, uint64_t seed)
      : impairment_(impairment), random_(seed) {}
  Fate Next();

 private:
  double Chance();  // in [0, 1)
  uint32_t Delay();

  Impairment impairment_;
  std::mt19937_64 random_;
};

}  // namespace netrelay
