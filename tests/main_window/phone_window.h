// The window with COM5 on a pty: either a scripted phone answers on it, or a test hands the
// session the phone's bytes itself.
#pragma once

#include <string>

#include "tools/testbed/pty_pair.h"
#include "tests/support/scripted_phone.h"
#include "tests/support/window_fixture.h"

class PhoneWindowTest : public WindowTest {
 protected:
  PhoneWindowTest() : phone(pty.peer()) { folder.link_port(5, pty.device()); }

  // Without a phone: the session sends `command` and receives its echo and `reply` at once.
  void Exchange(const std::string& command, const std::string& reply) {
    window->Session().Send(command + "\r");
    window->Session().Receive(command + "\r" + reply);
  }
  // Opens the port and answers "ATZ"; the rest of the identification stays queued.
  void OpenAndAnswer() {
    window->cmdPortOpen->click();
    Exchange("ATZ", "\r\nOK\r\n");
    ASSERT_TRUE(Connected());
  }

  testbed::PtyPair pty;
  test_support::ScriptedPhone phone;
};
