// Gamepads to key sets: connection order, waiting, hand-over, and sets the
// program drives itself (the computer's tank) never given to a pad.
#include "display/platform/pad_assignment.h"

#include <gtest/gtest.h>

#include "display/keys.h"

using display::platform::PadAssignment;

TEST(PadAssignment, PadsTakeTheSetsInOrderAndTheLongestWaitingTakesAFreedOne) {
  PadAssignment seats(display::PAD_ARROW_KEYS | display::PAD_LETTER_KEYS);
  for (int32_t id : {7, 3, 9, 4}) seats.Add(id);
  EXPECT_EQ(seats.KeySetOf(7), 0);
  EXPECT_EQ(seats.KeySetOf(3), 1);
  EXPECT_EQ(seats.KeySetOf(9), -1);
  seats.Remove(3);
  EXPECT_EQ(seats.KeySetOf(9), 1);
  EXPECT_EQ(seats.KeySetOf(4), -1);
  seats.Remove(9);
  seats.Remove(7);
  EXPECT_EQ(seats.KeySetOf(4), 1);
  seats.Add(5);
  EXPECT_EQ(seats.KeySetOf(5), 0);
}

TEST(PadAssignment, ASetThePadsMayNotHoldIsNeverGivenAndTheNextPadWaitsForTheOther) {
  PadAssignment seats(display::PAD_ARROW_KEYS);  // the letters' tank drives itself
  seats.Add(1);
  seats.Add(2);
  EXPECT_EQ(seats.KeySetOf(1), 0);
  EXPECT_EQ(seats.KeySetOf(2), -1);
  seats.Remove(1);
  EXPECT_EQ(seats.KeySetOf(2), 0);
  seats.Add(3);
  EXPECT_EQ(seats.KeySetOf(3), -1);
}
