// Base of the in-process tests: fresh state, private registry, recorded timer,
// sound and tray calls.
#pragma once

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "harness.h"
#include "res/resource.h"

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::ResetProgramState();
        harness::UseCleanRegistry();
    }
    void TearDown() override { harness::RestoreRegistry(); }

    harness::FakePlatform platform_;
};
