// A port of ours open on a fresh pty, closed at the end of the test.
#pragma once

#include <gtest/gtest.h>

#include "sio/sio.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_folder.h"

constexpr int kPort = 7;

struct OpenedPort {
  test_support::ScopedProgramFolder folder;
  test_support::PtyPair pty;
  OpenedPort() {
    folder.link_port(kPort, pty.device());
    EXPECT_EQ(sio_open(kPort), SIO_OK);
  }
  ~OpenedPort() { sio_close(kPort); }
};
