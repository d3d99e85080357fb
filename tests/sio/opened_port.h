// A port of ours open on a fresh pty, closed at the end of the test.
#pragma once

#include <gtest/gtest.h>

#include "sio/sio.h"
#include "tools/testbed/pty_pair.h"
#include "tools/testbed/temp_folder.h"

constexpr int kPort = 7;

struct OpenedPort {
  testbed::ScopedProgramFolder folder;
  testbed::PtyPair pty;
  OpenedPort() {
    folder.link_port(kPort, pty.device());
    EXPECT_EQ(sio_open(kPort), SIO_OK);
  }
  ~OpenedPort() { sio_close(kPort); }
};
