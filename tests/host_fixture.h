// The fixture of the tests that run USER on the headless host: a 1000x700
// screen, and USER as at process start before and after each test.
#ifndef TESTS_HOST_FIXTURE_H
#define TESTS_HOST_FIXTURE_H

#include <gtest/gtest.h>

#include "tests/support.h"
#include "winport/hosts/headless/headless.h"
#include "winport/user/testing.h"

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    winport::setHost(&host);
    winport::resetUser();
  }
  void TearDown() override {
    winport::resetUser();
    winport::setHost(nullptr);
  }
  winport::HeadlessHost host{{1000, 700}};
};

#endif
