// Another program, played by a child process: one that runs a body and ends, one that holds
// something until it is killed.
#pragma once

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

// Runs `body` in a child process: its result as the exit status.
inline bool in_child(const std::function<bool()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body() ? 0 : 1);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A child that runs `setup` and then stays until killed (or a minute has passed, should the test
// stop before killing it).
inline pid_t start_holder(const std::function<void()>& setup) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    setup();
    (void)!write(ready[1], "x", 1);
    alarm(60);
    pause();
    _exit(0);
  }
  char byte;
  (void)!read(ready[0], &byte, 1);
  close(ready[0]);
  close(ready[1]);
  return child;
}

inline void stop_holder(pid_t child) {
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}
