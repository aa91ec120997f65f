// A test fixture with a 640x480x32 screen on the headless back end.
#pragma once
#include <gtest/gtest.h>

#include "display/headless.h"
#include "display/screen.h"

class HeadlessScreen : public ::testing::Test {
 protected:
  void SetUp() override { Open(display::headless::Timing::Virtual); }
  void TearDown() override {
    display::headless::SetPassHook(nullptr);
    display::headless::ReleaseAllKeys();
    display::CloseScreen();
  }
  void Open(display::headless::Timing timing) {
    display::CloseScreen();
    display::headless::Select(timing);
    ASSERT_EQ(display::SetScreenMode(640, 480, 32, 1, 0, 0), 0);
    display::headless::TakePresentations();
  }
};
