// The phone as the command line meets it: the window's phone session on the chosen port, the
// identification and the memo listing, each waited for in the event loop.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/phone_session.h"
#include "phone/safe_names.h"

namespace cli {

struct Identity {
  bool e365 = false;
  std::string model;     // the reply to the model query, as received
  std::string firmware;  // empty when the phone gave none
};

class CliPhone {
 public:
  static constexpr int kModelWait = 5000;     // ms from the open to the model's answer
  static constexpr int kFirmwareWait = 3000;  // ms more for the firmware's
  static constexpr int kListingWait = 15000;  // ms from queueing the listing to its end

  explicit CliPhone(PortSettingsRecord& settings);

  // Opens the port and waits for the model's answer, and then for the firmware's when asked.
  // Nothing when the port did not open or no answer came; a phone other than an E365 is
  // identified, and the port closed.
  std::optional<Identity> Identify(bool with_firmware);
  // The memos in listing order; nothing when no listing came.
  std::optional<std::vector<MemoNames>> ListMemos();

  PhoneSession& Session() { return session_; }

 private:
  void AnswerCompleted();

  PhoneSession session_;
  std::optional<Identity> identity_;
  bool firmware_answered_ = false;
  std::optional<std::vector<MemoNames>> memos_;
};

}  // namespace cli
