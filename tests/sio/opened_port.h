// A port of ours open on a fresh pty, closed at the end of the test, and a body run as another program.
#pragma once

#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Runs `body` in a child process: its result as the exit status.
inline bool in_child(const std::function<bool()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body() ? 0 : 1);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
